// The compressed blocks of SerializeBinStream: the choice between raw bytes, LZO1X and
// LZSS, and the checks that keep a load from trusting sizes the stream cannot hold.
#include <limits>

#include "el/appframe/app_frame.h"
#include "el/qstream/lzo_block.h"
#include "el/qstream/lzss.h"
#include "el/qstream/serialize_bin_stream.h"

namespace {

// The most bytes one stored byte can stand for: a zero byte of an LZO1X run-length
// extension adds 255 bytes to a match; an LZSS flag byte and eight 2-byte references give
// 144 bytes for 17.
constexpr size_t kLzoMaxExpansion = 256;
constexpr size_t kLzssMaxExpansion = 9;

}  // namespace

bool SerializeBinStream::CheckLoadedCount(int count, size_t elementSize, bool compressed) {
  if (count < 0 || elementSize == 0 || static_cast<size_t>(count) > kMaxLoadedBlockSize / elementSize) {
    SetError(EFileStructure);
    return false;
  }
  size_t bytes = static_cast<size_t>(count) * elementSize;
  size_t expansion = 1;
  if (compressed && bytes >= kMinCompressedBlockSize)
    expansion = lzoCompression ? kLzoMaxExpansion : kLzssMaxExpansion;
  QFileSize rest = in_->GetRest();
  if (bytes / expansion > static_cast<size_t>(rest)) {
    SetError(EFileStructure);
    return false;
  }
  return true;
}

bool SerializeBinStream::TransferBinary(void* data, size_t size, bool compressed) {
  if (!Ok()) return false;
  if (!compressed || size < kMinCompressedBlockSize) {
    TransferRaw(data, size);
    return Ok();
  }
  if (out_) {
    if (lzoCompression) {
      if (!SaveLzoBlock(*out_, data, size)) SetError(EFileStructure);
    } else {
      LzssEncode(data, size, *out_);
    }
    return Ok();
  }
  if (lzoCompression) {
    if (!LoadLzoBlock(*in_, data, size)) SetError(EFileStructure);
    return Ok();
  }
  if (size > static_cast<size_t>(std::numeric_limits<QFileSize>::max()) ||
      !LzssDecode(*in_, data, static_cast<QFileSize>(size))) {
    ErrorMessage("Error in SerializeBinStream decoding");
    SetError(EFileStructure);
  }
  return Ok();
}

bool SerializeBinStream::SkipBinary(size_t size, bool compressed) {
  if (!Ok() || !in_) return false;
  if (!compressed || size < kMinCompressedBlockSize) {
    if (size > static_cast<size_t>(in_->GetRest())) {
      in_->SeekG(in_->GetDataSize());
      SetError(EFileStructure);
      return false;
    }
    in_->SeekG(in_->TellG() + static_cast<QFileSize>(size));
    return true;
  }
  if (size > kMaxLoadedBlockSize) {
    SetError(EFileStructure);
    return false;
  }
  if (lzoCompression) {
    if (size / kLzoMaxExpansion > static_cast<size_t>(in_->GetRest()) || !SkipLzoBlock(*in_, size))
      SetError(EFileStructure);
    return Ok();
  }
  if (!LzssSkip(*in_, static_cast<QFileSize>(size))) {
    ErrorMessage("Error in SerializeBinStream decoding");
    SetError(EFileStructure);
  }
  return Ok();
}
