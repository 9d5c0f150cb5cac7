#include "lib/texture/texture_source_pac.h"

#include <cstring>

#include "el/appframe/app_frame.h"
#include "lib/texture/texture_file_stream.h"
#include "lib/texture/texture_name.h"
#include "platform/host_file.h"

namespace {

// The small readers below are inlined: a header is read a few bytes at a time, and these
// are, apart from the reads themselves, all the work.
[[gnu::always_inline]] inline bool ReadExact(QIStream& in, void* data, QFileSize size) {
  return in.read(data, size) == size;
}

[[gnu::always_inline]] inline bool ReadU16(QIStream& in, uint16_t& value) {
  unsigned char bytes[2];
  bool ok = ReadExact(in, bytes, 2);
  value = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
  return ok;
}

[[gnu::always_inline]] inline bool ReadU32(QIStream& in, uint32_t& value) {
  unsigned char bytes[4];
  bool ok = ReadExact(in, bytes, 4);
  value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
          static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return ok;
}

[[gnu::always_inline]] inline bool ReadU24(QIStream& in, uint32_t& value) {
  unsigned char bytes[3];
  bool ok = ReadExact(in, bytes, 3);
  value =
      static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 | static_cast<uint32_t>(bytes[2]) << 16;
  return ok;
}

bool SameCode(const char (&bytes)[4], const char (&code)[5]) { return std::memcmp(bytes, code, 4) == 0; }

// Moves `size` bytes forward; false when fewer remain.
bool Skip(QIStream& in, int64_t size) {
  if (size < 0 || size > in.GetRest()) return false;
  in.SeekG(in.TellG() + size);
  return true;
}

float Channel(uint32_t packed, int shift) { return static_cast<float>((packed >> shift) & 0xFF) / 255.0f; }

}  // namespace

// The colour and flag blocks that the tag section may hold.
struct TextureSourcePac::TagValues {
  uint32_t averageColor = 0;
  uint32_t maxColor = 0;
  uint32_t flags = 0;
  bool hasAverageColor = false;
  bool hasMaxColor = false;
};

bool TextureSourcePac::ReadHeader(const RString& path, PacMipmapRecord* mipmaps, int tableSize) {
  TextureFileStream in;
  if (!in.Open(HostPathOf(path))) return false;
  return ReadHeader(in, path, IsPaaPath(path), mipmaps, tableSize);
}

bool TextureSourcePac::ReadHeader(QIStream& in, const RString& name, bool isPaa, PacMipmapRecord* mipmaps,
                                  int tableSize) {
  header_ = TextureHeader{};
  header_.initialised = 1;
  header_.isPaa = isPaa ? 1 : 0;

  // The format word is optional: without one the two bytes belong to what follows.
  QFileSize start = in.TellG();
  uint16_t word = 0;
  int format = 0;
  if (ReadU16(in, word) && PacFormatFromWord(word, format)) {
    header_.format = format;
    if (PacFormatWordHasAlpha(word)) header_.hasAlpha = 1;
  } else {
    in.SeekG(start);
    header_.format = isPaa ? PacARGB4444 : PacP8;
  }

  int32_t offsets[pac::kMaxMipmapOffsets];
  for (int32_t& offset : offsets) offset = -1;
  TagValues tags;
  if (!ReadTaggedBlocks(in, offsets, tags)) return false;
  if (!ReadPalette(in)) return false;
  SettleColors(tags);

  if (offsets[0] == -1) LogMessage("No offsets for texture %s - conversion needed", name.c_str());
  return ReadMipmaps(in, name, offsets, mipmaps, tableSize);
}

bool TextureSourcePac::ReadTaggedBlocks(QIStream& in, int32_t (&offsets)[pac::kMaxMipmapOffsets], TagValues& tags) {
  for (;;) {
    QFileSize blockStart = in.TellG();
    char marker[4];
    if (!ReadExact(in, marker, 4) || !SameCode(marker, pac::kTagMarker)) {
      in.SeekG(blockStart);
      return true;
    }
    char blockName[4];
    uint32_t length = 0;
    if (!ReadExact(in, blockName, 4) || !ReadU32(in, length)) return false;
    const int32_t payloadLength = static_cast<int32_t>(length);

    if (SameCode(blockName, pac::kTagAverageColor)) {
      if (!ReadU32(in, tags.averageColor)) return false;
      tags.hasAverageColor = true;
    } else if (SameCode(blockName, pac::kTagMaxColor)) {
      if (!ReadU32(in, tags.maxColor)) return false;
      tags.hasMaxColor = true;
    } else if (SameCode(blockName, pac::kTagFlags)) {
      if (!ReadU32(in, tags.flags)) return false;
    } else if (SameCode(blockName, pac::kTagOffsets)) {
      const int32_t count = payloadLength > 0 ? payloadLength / 4 : 0;
      if (static_cast<int64_t>(count) * 4 > in.GetRest()) return false;
      const int32_t kept = count < pac::kMaxMipmapOffsets ? count : pac::kMaxMipmapOffsets;
      for (int32_t i = 0; i < kept; ++i) {
        uint32_t offset = 0;
        if (!ReadU32(in, offset)) return false;
        offsets[i] = static_cast<int32_t>(offset);
      }
      if (!Skip(in, static_cast<int64_t>(count - kept) * 4)) return false;
    } else {
      // A negative length would step backwards into the block itself.
      if (payloadLength < 0 || !Skip(in, payloadLength)) return false;
    }
  }
}

bool TextureSourcePac::ReadPalette(QIStream& in) {
  uint16_t count = 0;
  if (!ReadU16(in, count) || count > pac::kMaxPaletteSize) return false;
  unsigned char bytes[pac::kMaxPaletteSize * 3];
  if (!ReadExact(in, bytes, count * 3)) return false;
  header_.palette.resize(count);
  for (int i = 0; i < count; ++i) {
    const unsigned char* entry = bytes + i * 3;
    uint32_t color =
        static_cast<uint32_t>(entry[0]) | static_cast<uint32_t>(entry[1]) << 8 | static_cast<uint32_t>(entry[2]) << 16;
    header_.palette[i] = color;
    if (color == pac::kTransparentKeyMagenta || color == pac::kTransparentKeyCyan) header_.transparentIndex = i;
  }
  return true;
}

void TextureSourcePac::SettleColors(const TagValues& tags) {
  TextureHeader& h = header_;
  h.averageColorPacked = tags.hasAverageColor ? tags.averageColor : pac::DefaultAverageColor(h.format);
  h.maxColorPacked = tags.hasMaxColor ? tags.maxColor : pac::kDefaultMaxColor;
  h.hasMaxColor = tags.hasMaxColor ? 1 : 0;
  if (tags.flags & pac::kFlagAlpha) h.hasAlpha = 1;
  if (tags.flags & pac::kFlagTransparent) h.isTransparent = 1;
  if (h.transparentIndex >= 0) {
    h.isTransparent = 1;
    h.palette[static_cast<size_t>(h.transparentIndex)] = h.averageColorPacked & 0xFFFFFF;
  }
  h.hasDarkAlpha = h.hasAlpha && (h.averageColorPacked >> 24) < 128 ? 1 : 0;
  h.averageColor[0] = Channel(h.averageColorPacked, 16);
  h.averageColor[1] = Channel(h.averageColorPacked, 8);
  h.averageColor[2] = Channel(h.averageColorPacked, 0);
  h.averageColor[3] = Channel(h.averageColorPacked, 24);
}

bool TextureSourcePac::ReadMipmaps(QIStream& in, const RString& name, const int32_t (&offsets)[pac::kMaxMipmapOffsets],
                                   PacMipmapRecord* mipmaps, int tableSize) {
  auto offsetOf = [&offsets](int level) { return level < pac::kMaxMipmapOffsets ? offsets[level] : -1; };
  const bool haveOffsets = offsets[0] != -1;
  header_.mipmapCount = 0;
  for (int i = 0; i < tableSize; ++i) {
    PacMipmapRecord& record = mipmaps[i];
    record.offset = static_cast<uint32_t>(offsetOf(i));
    if (i > 0 && offsetOf(i) > 0) {
      // The level's header is not read: its size follows from the first level.
      record.width = static_cast<uint16_t>(mipmaps[0].width >> i);
      record.height = static_cast<uint16_t>(mipmaps[0].height >> i);
    }
    if (record.width == 0 || record.height == 0) {
      record.offset = static_cast<uint32_t>(in.TellG());
      uint16_t width = 0, height = 0;
      ReadU16(in, width);
      ReadU16(in, height);
      if (width == pac::kExtendedSizeWidth && height == pac::kExtendedSizeHeight) {
        ReadU16(in, width);
        ReadU16(in, height);
      }
      width &= static_cast<uint16_t>(~pac::kWidthFlagBit);
      if (width == 0 && height == 0) {
        header_.mipmapCount = i;
        return true;
      }
      if (width < pac::kMinMipmapSide || width > pac::kMaxMipmapSide || height < pac::kMinMipmapSide ||
          height > pac::kMaxMipmapSide) {
        ErrorMessage("Extreme texture size (%dx%d)", width, height);
        ErrorMessage("Texture init failed.");
        return false;
      }
      record.width = width;
      record.height = height;
      uint32_t dataSize = 0;
      ReadU24(in, dataSize);
      in.SeekG(in.TellG() + dataSize);
    }
    record.format = static_cast<uint8_t>(header_.format);

    if (haveOffsets && offsetOf(i + 1) < 1) {
      header_.mipmapCount = i + 1;
      return true;
    }
    if (IsDxtFormat(header_.format) && (record.width < 5 || record.height < 5)) {
      LogMessage("Warning: Texture %s is DXT compressed, but its mipmap resolution is smaller than %d.", name.c_str(),
                 4);
      header_.mipmapCount = i + 1;
      return true;
    }
    if (i + 1 == tableSize) header_.mipmapCount = i + 1;
  }
  return true;
}
