#pragma once
// A plain decoder of DXT1 and DXT5 blocks, for checking the textures pressmill writes.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace textest {

// RGBA texels (rows from the top) of a width x height level stored as DXT1 (`alpha`
// false) or DXT5 blocks; empty when `size` is too small for the level.
std::vector<uint8_t> DecodeDxt(const uint8_t* data, size_t size, int width, int height, bool alpha);

}  // namespace textest
