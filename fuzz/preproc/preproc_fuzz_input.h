#pragma once
// The input layout of the preprocessor fuzz target: the text of "main.cpp", optionally
// followed by a 0 byte and the text of "inc.h", which the main text may include.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "el/preproc/file_bank.h"

struct PreprocFuzzInput {
  std::string mainText;
  std::string includeText;
  bool hasInclude = false;

  static PreprocFuzzInput Read(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    PreprocFuzzInput input;
    size_t split = bytes.find('\0');
    input.mainText = std::string(bytes.substr(0, split));
    if (split != std::string_view::npos) {
      input.includeText = std::string(bytes.substr(split + 1));
      input.hasInclude = true;
    }
    return input;
  }

  std::string Write() const { return hasInclude ? mainText + '\0' + includeText : mainText; }

  void AddTo(MemoryFileBank& bank) const {
    bank.Add("main.cpp", mainText);
    if (hasInclude) bank.Add("inc.h", includeText);
  }
};
