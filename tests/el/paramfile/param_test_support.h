#pragma once
// Helpers of the configuration tests: a message sink that records lines, a temporary
// folder, parsing from a string, the saved forms as strings, and a byte builder for
// binary files made by hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "el/appframe/app_frame.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_folder.h"
#include "el/paramfile/param_file.h"
#include "el/qstream/qi_preprocessed_stream.h"

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Parses preprocessed `text` (no preprocessor run) as the file `fileName`.
inline int ParseString(ParamFile& file, const std::string& text, const std::string& fileName = "test.cpp") {
  file.SetFileName(fileName);
  QIPreprocessedStream in(text.data(), static_cast<QFileSize>(text.size()), fileName);
  return file.Parse(in);
}

inline std::string SaveTextString(const ParamFile& file) {
  QOStrStream out;
  EXPECT_TRUE(file.SaveText(out));
  return out.Str();
}

inline std::string SaveBinString(const ParamFile& file) {
  QOStrStream out;
  EXPECT_TRUE(file.SaveBin(out));
  return out.Str();
}

inline int LoadBinString(ParamFile& file, const std::string& bytes) {
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  return file.LoadBin(in);
}

// Little-endian bytes built by hand. Offsets that point forward are written as slots
// first and filled in once the place they point to is reached.
class Bytes {
 public:
  explicit Bytes(std::string bytes = {}) : bytes_(std::move(bytes)) {}
  Bytes& U8(uint8_t value) {
    bytes_.push_back(static_cast<char>(value));
    return *this;
  }
  Bytes& I32(int32_t value) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
    return *this;
  }
  Bytes& I64(int64_t value) {
    for (int i = 0; i < 8; ++i) U8(static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i)));
    return *this;
  }
  Bytes& F32(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return I32(static_cast<int32_t>(bits));
  }
  Bytes& Cint(uint32_t value) {
    do {
      uint8_t byte = value & 0x7F;
      value >>= 7;
      if (value) byte |= 0x80;
      U8(byte);
    } while (value);
    return *this;
  }
  Bytes& Str(const std::string& text) {
    bytes_ += text;
    return U8(0);
  }
  Bytes& Magic() { return U8(0).U8('r').U8('a').U8('P'); }
  // Overwrites the int32 at `position`.
  Bytes& PatchI32(size_t position, int32_t value) {
    for (int i = 0; i < 4; ++i) bytes_[position + i] = static_cast<char>(static_cast<uint32_t>(value) >> (8 * i));
    return *this;
  }
  // An int32 offset to fill in later; `position` is where it stands.
  Bytes& Slot(size_t& position) {
    position = bytes_.size();
    return I32(0);
  }
  // Points the offsets at `slots` to the present end.
  template <typename... Slots>
  Bytes& Here(Slots... slots) {
    (PatchI32(slots, static_cast<int32_t>(bytes_.size())), ...);
    return *this;
  }
  size_t Size() const { return bytes_.size(); }
  const std::string& Data() const { return bytes_; }

 private:
  std::string bytes_;
};
