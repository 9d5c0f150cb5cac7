#include "lib/texture/pac_layout_scan.h"

#include <cstring>

#include "el/qstream/qi_stream.h"
#include "lib/texture/pac_format.h"

namespace {

constexpr size_t kMaxListedTags = 256;
constexpr size_t kMaxListedLevels = 32;

bool ReadBytes(QIStream& in, void* data, QFileSize size) { return in.read(data, size) == size; }

uint32_t LittleEndian(const unsigned char* bytes, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

bool ReadValue(QIStream& in, int count, uint32_t& value) {
  unsigned char bytes[4] = {};
  bool ok = ReadBytes(in, bytes, count);
  value = LittleEndian(bytes, count);
  return ok;
}

bool ScanTags(QIStream& in, PacLayout& layout) {
  for (;;) {
    QFileSize start = in.TellG();
    char marker[4];
    if (!ReadBytes(in, marker, 4) || std::memcmp(marker, pac::kTagMarker, 4) != 0) {
      in.SeekG(start);
      return true;
    }
    if (layout.tags.size() >= kMaxListedTags) {
      layout.problem = "too many tagged blocks";
      return false;
    }
    PacTagInfo tag;
    tag.offset = start;
    uint32_t length = 0;
    if (!ReadBytes(in, tag.name, 4) || !ReadValue(in, 4, length)) {
      layout.problem = "tagged block cut short";
      return false;
    }
    tag.length = static_cast<int32_t>(length);
    if (tag.length < 0 || tag.length > in.GetRest()) {
      layout.problem = "tagged block longer than the file";
      return false;
    }
    QFileSize payload = in.TellG();
    if (std::memcmp(tag.name, pac::kTagOffsets, 4) == 0) {
      for (int32_t i = 0; i < tag.length / 4 && i < pac::kMaxMipmapOffsets; ++i) {
        uint32_t offset = 0;
        ReadValue(in, 4, offset);
        tag.offsets.push_back(offset);
      }
    } else if (tag.length >= 4) {
      ReadValue(in, 4, tag.value);
    }
    in.SeekG(payload + tag.length);
    layout.tags.push_back(std::move(tag));
  }
}

void ScanLevels(QIStream& in, PacLayout& layout) {
  while (layout.levels.size() < kMaxListedLevels) {
    PacLevelInfo level;
    level.offset = in.TellG();
    uint32_t width = 0, height = 0;
    if (!ReadValue(in, 2, width) || !ReadValue(in, 2, height)) {
      layout.problem = "file ends inside a mipmap header";
      return;
    }
    if (width == pac::kExtendedSizeWidth && height == pac::kExtendedSizeHeight) {
      level.extendedSize = true;
      if (!ReadValue(in, 2, width) || !ReadValue(in, 2, height)) {
        layout.problem = "file ends inside a mipmap header";
        return;
      }
    }
    level.widthFlag = (width & pac::kWidthFlagBit) != 0;
    level.width = static_cast<uint16_t>(width & ~pac::kWidthFlagBit);
    level.height = static_cast<uint16_t>(height);
    if (level.width == 0 && level.height == 0) {
      layout.terminated = true;
      layout.endOffset = level.offset;
      return;
    }
    if (!ReadValue(in, 3, level.dataSize)) {
      layout.problem = "file ends inside a mipmap header";
      return;
    }
    level.truncated = level.dataSize > in.GetRest();
    layout.levels.push_back(level);
    if (level.truncated) {
      layout.problem = "mipmap data runs past the end of the file";
      return;
    }
    in.SeekG(in.TellG() + level.dataSize);
  }
  layout.problem = "more mipmaps than listed";
}

}  // namespace

bool ScanPacLayout(QIStream& in, bool isPaa, PacLayout& layout) {
  layout = PacLayout{};
  QFileSize start = in.TellG();
  uint32_t word = 0;
  int format = 0;
  if (ReadValue(in, 2, word) && PacFormatFromWord(static_cast<uint16_t>(word), format)) {
    layout.hasFormatWord = true;
    layout.formatWord = static_cast<uint16_t>(word);
    layout.format = format;
  } else {
    in.SeekG(start);
    layout.format = isPaa ? PacARGB4444 : PacP8;
  }
  if (!ScanTags(in, layout)) return false;
  layout.paletteOffset = in.TellG();
  uint32_t count = 0;
  if (!ReadValue(in, 2, count) || count > static_cast<uint32_t>(pac::kMaxPaletteSize) ||
      static_cast<QFileSize>(count) * 3 > in.GetRest()) {
    layout.problem = "broken palette";
    return false;
  }
  layout.paletteCount = static_cast<int>(count);
  in.SeekG(in.TellG() + count * 3);
  ScanLevels(in, layout);
  return true;
}
