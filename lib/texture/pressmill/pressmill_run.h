#pragma once
// pressmill [-rules=FILE] SOURCE TARGET: the external texture program of the converter.
//
// A ".tga" or ".png" source written to a ".paa" or ".pac" target becomes a texture with
// its mipmaps and tags, in the format the rule table gives its name (texture_rules.h);
// any other source is copied byte for byte. SOURCE and TARGET may be host paths or engine
// paths ('\' separators, any letter case, '\'-rooted names below the work drive). The
// target is written through a temporary file and renamed into place; its missing folders
// are created.
//
// The rule table is the default one, or the one in the file that -rules= names or, since
// the converter starts pressmill with SOURCE and TARGET only, the environment variable
// KILNIFY_TEXTURE_RULES names.
#include <string>
#include <vector>

#include "lib/texture/pressmill/texture_rules.h"

// Exit codes.
inline constexpr int kPressmillOk = 0;
inline constexpr int kPressmillFailed = 1;
inline constexpr int kPressmillUsage = 2;

// The environment variable that names a rules file when -rules= is not given.
inline constexpr char kTextureRulesVariable[] = "KILNIFY_TEXTURE_RULES";

// Reads the rules file at `path` (engine or host path). False with `error` set when it
// cannot be read or has a bad line.
bool LoadTextureRules(const std::string& path, std::vector<TextureRule>& rules, std::string& error);

// Converts or copies `source` to `target` with `rules`; false with `error` set on failure.
// `note` tells what the conversion changed about the image's size (else it is cleared).
bool PressTexture(const std::string& source, const std::string& target, const std::vector<TextureRule>& rules,
                  std::string& note, std::string& error);

// The program: reads the options and the rules, runs PressTexture, prints a note on
// standard output and a failure on standard error, and returns the exit code.
int RunPressmill(int argc, char** argv);
