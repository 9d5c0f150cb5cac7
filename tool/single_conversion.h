#pragma once
// Converting one file with the converter's start-up: `kiln convert [options] IN OUT`.
//
// The options are the converter's (-addon=, -binpath=, -textures=, -skeleton=, ...) and:
//   -root=FOLDER   the source folder whose configurations are loaded at start-up, as the
//                  converter loads those below its source folder (default: IN's folder);
//   -depfile=FILE  after a successful conversion, a Makefile-syntax file naming OUT and
//                  every file the conversion read;
//   -usedTextures=FILE  the textures it used, one a line (with -textures=), for
//                  `kiln copytextures`.
// The kind of conversion follows IN's extension (.p3d model, .wrp world, .rtm animation).
// Returns 0 when OUT was written, 1 when the conversion failed or a configuration did not
// parse, 2 for a wrong command line.
#include <string>
#include <vector>

namespace kln {

int RunSingleConversion(const std::vector<std::string>& args);

}  // namespace kln
