#pragma once
// Helpers of the stream tests: a message sink that records lines, a temporary folder,
// and generated data that looks like model and terrain arrays.
#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "el/appframe/app_frame.h"

// Records every error and warning line while it lives.
class CapturedMessages : public AppFrameFunctions {
 public:
  CapturedMessages() { SetAppFrameFunctions(this); }
  ~CapturedMessages() override { SetAppFrameFunctions(nullptr); }

  void LogLine(const char* format, va_list args) override { lines.push_back(Format(format, args)); }
  void ErrorLine(const char* format, va_list args) override { lines.push_back(Format(format, args)); }

  // True when some line ends with `text`.
  bool HasLineEndingWith(const std::string& text) const {
    for (const std::string& line : lines)
      if (line.size() >= text.size() && line.compare(line.size() - text.size(), text.size(), text) == 0)
        return true;
    return false;
  }

  std::vector<std::string> lines;

 private:
  static std::string Format(const char* format, va_list args) {
    char text[1024];
    std::vsnprintf(text, sizeof(text), format, args);
    return text;
  }
};

// A fresh folder below the system's temporary folder, removed with its contents.
class TempFolder {
 public:
  TempFolder() {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("kln_qstream_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

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
