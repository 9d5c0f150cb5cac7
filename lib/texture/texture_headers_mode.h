#pragma once
// The texture-headers mode of the converter (-texheader): reads the header of every
// ".paa"/".pac" below the source folder and writes them all to one "texHeaders.bin".
//
// The conversion run calls it with the fields of its settings:
//
//   kln::TextureHeadersSettings headerSettings{
//       [&settings](std::string_view name, std::string_view path) { return kln::IsExcluded(settings, name, path); },
//       settings.noRecursion, settings.copyTextures, settings.texturesFolder};
//   kln::RunTextureHeaders(headerSettings, source, destination);  // result ignored, exit code 0
//
// (tool/texture_headers_step.h runs it with the settings of the command line.)
#include <functional>
#include <string_view>

#include "el/qstream/basic_types.h"

class TextureHeaderManager;

namespace kln {

struct TextureHeadersSettings {
  // The exclusion test of (entry name, relative path); empty: nothing is excluded.
  std::function<bool(std::string_view name, std::string_view path)> isExcluded;
  bool noRecursion = false;   // do not enter subfolders
  bool copyTextures = false;  // -textures= was given: the file goes to the textures folder
  RString texturesFolder;
};

// The whole mode: logs "Creating texture headers file", collects the source folder and
// saves "texHeaders.bin" into the textures folder (with -textures=) or the destination.
// Returns 0, or -1 when the file could not be saved. Writes no file when no texture was
// found.
int RunTextureHeaders(const TextureHeadersSettings& settings, const RString& source, const RString& destination);

// Walks `folder` (and its subfolders unless no recursion is set, never those whose name
// begins with '.'), adding every ".paa"/".pac" under `prefix` + its path below the folder.
void CollectTextureHeaders(const TextureHeadersSettings& settings, TextureHeaderManager& manager, const RString& folder,
                           const RString& prefix);

// Reads the header of the texture `fullPath` and inserts it under the normalised
// `relativePath`. Reports and gives false for a file that is not a ".paa"/".pac" or whose
// header cannot be read.
bool AddTexture(TextureHeaderManager& manager, const RString& fullPath, const RString& relativePath);

}  // namespace kln
