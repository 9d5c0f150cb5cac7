#include "lib/texture/pac_format.h"

namespace {

struct FormatEntry {
  const char* name;
  uint16_t word;  // 0: no format word
};

constexpr FormatEntry kFormats[] = {
    {"P8", 0},        {"88", 0x8080},   {"o565", 0},      {"1555", 0x1555}, {"4444", 0x4444}, {"8888", 0x8888},
    {"DXT1", 0xFF01}, {"DXT2", 0xFF02}, {"DXT3", 0xFF03}, {"DXT4", 0xFF04}, {"DXT5", 0xFF05},
};
constexpr int kFormatCount = static_cast<int>(sizeof(kFormats) / sizeof(kFormats[0]));

}  // namespace

const char* PacFormatName(int format) { return format >= 0 && format < kFormatCount ? kFormats[format].name : "xxxx"; }

bool PacFormatFromWord(uint16_t word, int& format) {
  if (word == 0) return false;
  for (int i = 0; i < kFormatCount; ++i) {
    if (kFormats[i].word == word) {
      format = i;
      return true;
    }
  }
  return false;
}

uint16_t PacFormatWord(int format) { return format >= 0 && format < kFormatCount ? kFormats[format].word : 0; }
