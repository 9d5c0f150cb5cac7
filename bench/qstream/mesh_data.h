#pragma once
// Benchmark data shaped like what the converter stores: vertex positions of a terrain-like
// grid (x and z on a regular step, y a smooth height quantized to 1/256).
#include <cmath>
#include <cstddef>
#include <vector>

inline std::vector<float> MakeTerrainFloats(size_t count) {
  std::vector<float> values(count);
  const size_t width = 1024;
  for (size_t i = 0; i < count; ++i) {
    size_t vertex = i / 3;
    float column = static_cast<float>(vertex % width);
    float row = static_cast<float>(vertex / width % width);
    switch (i % 3) {
      case 0: values[i] = column * 0.25f; break;
      case 1:
        values[i] = std::round((std::sin(column * 0.031f) * 12.0f + std::cos(row * 0.017f) * 7.0f) * 256.0f) / 256.0f;
        break;
      default: values[i] = row * 0.25f; break;
    }
  }
  return values;
}
