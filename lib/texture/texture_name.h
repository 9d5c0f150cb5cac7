#pragma once
// Names of textures: the normalised form under which texture headers are kept, and the
// extensions that make a file a ".paa"/".pac" texture.
#include <string_view>

#include "el/qstream/basic_types.h"

// Lower-case (ASCII), every '/' or '\' turned into '\', runs of separators collapsed into
// one, a trailing separator dropped; at most the first 1024 characters of `name` are used.
RString NormalizeTextureHeaderName(std::string_view name);

// The text from the last '.' of the file-name part (after the last '\' or '/'; a leading
// drive "X:" is passed over when there is no separator) to the end; empty when that part
// has no '.'.
std::string_view TextureFileExtension(std::string_view path);

// True when the extension is ".paa" (ignoring case).
bool IsPaaPath(std::string_view path);
// True when the extension is ".paa" or ".pac" (ignoring case).
bool IsPacTexturePath(std::string_view path);
