#pragma once
// Copying the textures that separate conversions used: `kiln copytextures [options]
// [-list=TEXTURES_LST]... -stamp=FILE USED...`. The options are the converter's
// (-textures=, -maxProcesses=, -exclude=); -usedFrom=FILE names USED files one a line; each USED file names textures one a line (as
// `kiln convert -usedTextures=` writes them); each -list= is a texture list read as the
// walk reads "textures.lst". The copies are made as at the end of a converter run, the
// program waits for them and then writes the stamp file. Returns 0, or 2 for a wrong
// command line.
#include <string>
#include <vector>

namespace kln {

int RunTextureCopy(const std::vector<std::string>& args);

}  // namespace kln
