#pragma once
// Helpers of the stream tests: the message sink and temporary folder of all tests, and
// generated data that looks like model and terrain arrays.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/captured_messages.h"
#include "tests/support/temp_folder.h"

// `count` floats like the positions of a terrain grid: x and z on a regular step, y a
// smooth height quantized to 1/64.
inline std::vector<float> MakeMeshLikeFloats(size_t count) {
  std::vector<float> values(count);
  for (size_t i = 0; i < count; ++i) {
    size_t vertex = i / 3;
    size_t column = vertex % 256;
    size_t row = vertex / 256;
    switch (i % 3) {
      case 0: values[i] = static_cast<float>(column) * 0.5f; break;
      case 1: values[i] = static_cast<float>(static_cast<int>(((column * 7 + row * 3) % 97) * 1.7f) / 64.0f); break;
      default: values[i] = static_cast<float>(row) * 0.5f; break;
    }
  }
  return values;
}

// Deterministic bytes with little repetition (xorshift).
inline std::vector<uint8_t> MakeNoiseBytes(size_t count, uint32_t seed = 12345) {
  std::vector<uint8_t> bytes(count);
  uint32_t state = seed ? seed : 1;
  for (uint8_t& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return bytes;
}
