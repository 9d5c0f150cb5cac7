#include "lib/texture/texture_header.h"

#include <bit>
#include <cstring>

#include "el/qstream/serialize_bin_stream.h"
#include "lib/texture/inline_bin_saver.h"

namespace {

constexpr int32_t kRecordVersion = 1;

// One routine for both directions and both savers: `Stream` is SerializeBinStream or
// InlineBinSaver, `Record` and `Header` const for the latter.
template <class Stream, class Record>
void TransferMipmapRecord(Stream& f, Record& record) {
  f.Transfer(record.width);
  f.Transfer(record.height);
  f.Transfer(record.reserved);
  f.Transfer(record.format);
  f.Transfer(record.secondFormat);
  f.Transfer(record.offset);
}

template <class Stream, class Header>
bool TransferRecord(Stream& f, Header& header) {
  int32_t version = kRecordVersion;
  f.Transfer(version);
  if (f.IsLoading() && f.Ok() && version != kRecordVersion) f.SetError(SerializeBinStream::EBadVersion);
  f.TransferCompressedArray(header.palette, false);
  if (f.IsLoading() && header.palette.size() > static_cast<size_t>(pac::kMaxPaletteSize))
    f.SetError(SerializeBinStream::EFileStructure);
  for (auto& channel : header.averageColor) f.Transfer(channel);
  f.Transfer(header.averageColorPacked);
  f.Transfer(header.maxColorPacked);
  f.Transfer(header.reservedValue);
  f.Transfer(header.transparentIndex);
  f.Transfer(header.hasMaxColor);
  f.Transfer(header.hasAlpha);
  f.Transfer(header.isTransparent);
  f.Transfer(header.hasDarkAlpha);
  f.Transfer(header.mipmapCount);
  f.Transfer(header.format);
  f.Transfer(header.initialised);
  f.Transfer(header.isPaa);
  f.TransferString(header.name);
  f.Transfer(header.reservedCount);
  f.TransferArray(header.mipmaps, [](Stream& s, auto& record) { TransferMipmapRecord(s, record); });
  if (f.IsLoading() && f.Ok() &&
      (header.mipmaps.size() > static_cast<size_t>(pac::kMipmapTableSize) ||
       header.mipmaps.size() != static_cast<size_t>(header.mipmapCount)))
    f.SetError(SerializeBinStream::EFileStructure);
  f.Transfer(header.fileSize);
  return f.Ok();
}

}  // namespace

bool TextureHeader::operator==(const TextureHeader& other) const {
  for (int i = 0; i < 4; ++i)
    if (std::bit_cast<uint32_t>(averageColor[i]) != std::bit_cast<uint32_t>(other.averageColor[i])) return false;
  return palette == other.palette && averageColorPacked == other.averageColorPacked &&
         maxColorPacked == other.maxColorPacked && reservedValue == other.reservedValue &&
         transparentIndex == other.transparentIndex && hasMaxColor == other.hasMaxColor && hasAlpha == other.hasAlpha &&
         isTransparent == other.isTransparent && hasDarkAlpha == other.hasDarkAlpha &&
         mipmapCount == other.mipmapCount && format == other.format && initialised == other.initialised &&
         isPaa == other.isPaa && name == other.name && reservedCount == other.reservedCount &&
         mipmaps == other.mipmaps && fileSize == other.fileSize;
}

bool TransferTextureHeader(SerializeBinStream& f, TextureHeader& header) { return TransferRecord(f, header); }

bool TransferTextureHeader(InlineBinSaver& f, const TextureHeader& header) { return TransferRecord(f, header); }
