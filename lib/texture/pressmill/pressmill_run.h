#pragma once
// pressmill SOURCE TARGET: the external texture program of the converter.
//
// A ".tga" or ".png" source written to a ".paa" or ".pac" target becomes a block-
// compressed texture with its mipmaps and tags; any other source is copied byte for byte.
// SOURCE and TARGET may be host paths or engine paths ('\' separators, any letter case,
// '\'-rooted names below the work drive). The target is written through a temporary file
// and renamed into place; its missing folders are created.
#include <string>

// Exit codes.
inline constexpr int kPressmillOk = 0;
inline constexpr int kPressmillFailed = 1;
inline constexpr int kPressmillUsage = 2;

// Converts or copies `source` to `target`; false with `error` set on failure.
bool PressTexture(const std::string& source, const std::string& target, std::string& error);

// The program: checks the arguments, runs PressTexture, prints the failure on standard
// error and returns the exit code.
int RunPressmill(int argc, char** argv);
