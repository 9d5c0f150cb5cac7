#pragma once
// Shared pieces of the stream fuzz targets and their seed generators: the input layout
// (a small header that says what to decode, then the stored bytes), a stream that hands
// the bytes out in small buffers, and the record whose transfer routine the serializer
// target loads and the seed generator saves.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "el/qstream/qi_stream.h"
#include "el/qstream/serialize_bin_stream.h"

// An input stream over the fuzz input that gives out buffers of `chunkSize` bytes, so that
// blocks also cross buffer boundaries.
class FuzzChunkedStream : public QIStream {
 public:
  FuzzChunkedStream(const uint8_t* data, size_t size, QFileSize chunkSize)
      : data_(reinterpret_cast<const char*>(data)), size_(static_cast<QFileSize>(size)), chunkSize_(std::max<QFileSize>(chunkSize, 1)) {}

 protected:
  PosQIStreamBuffer ReadBuffer(QFileSize pos) override {
    if (pos < 0 || pos >= size_) return {};
    QFileSize start = pos - pos % chunkSize_;
    return {std::make_shared<const QIStreamBuffer>(data_ + start, std::min(chunkSize_, size_ - start)), start};
  }
  QFileSize DataSize() const override { return size_; }

 private:
  const char* data_;
  QFileSize size_;
  QFileSize chunkSize_;
};

// Header of the block decoder inputs: the decoded size (uint16) and the buffer size of
// the input stream (uint8, 0 = one buffer for everything), then the block.
struct BlockFuzzHeader {
  static constexpr size_t kSize = 3;
  size_t decodedSize = 0;
  QFileSize chunkSize = 0;

  static BlockFuzzHeader Read(const uint8_t* data) {
    BlockFuzzHeader header;
    header.decodedSize = data[0] | (size_t{data[1]} << 8);
    header.chunkSize = data[2] ? data[2] : 1 << 30;
    return header;
  }
  static std::string Write(size_t decodedSize, int chunkSize) {
    std::string bytes(kSize, '\0');
    bytes[0] = static_cast<char>(decodedSize & 0xFF);
    bytes[1] = static_cast<char>((decodedSize >> 8) & 0xFF);
    bytes[2] = static_cast<char>(chunkSize);
    return bytes;
  }
};

// A record that uses every load primitive of the serializer; the first input byte of the
// serializer target selects LZO (bit 0) and the buffer size (the other bits).
struct FuzzRecord {
  RString name;
  RString label;
  AutoArray<float> heights;
  AutoArray<uint8_t> flags;
  CompactArray<Vector3> normals;
  CompactArray<float> weights;
  AutoArray<int32_t> skippedIndices;
  int64_t stamp = 0;

  void Transfer(SerializeBinStream& f) {
    if (!f.TransferVersion(MakeMagic("FZRC"), MakeMagic("FZRC"))) {
      f.SetError(SerializeBinStream::EBadFileType);
      return;
    }
    if (!f.TransferVersion(1, 2)) {
      f.SetError(SerializeBinStream::EBadVersion);
      return;
    }
    f.TransferString(name);
    f.TransferNameString(label);
    f.TransferCompressedArray(heights, true);
    f.TransferCompressedArray(flags, false);
    f.TransferCompactArray(normals, true);
    f.TransferCompactArray(weights, true);
    // A section that a load may skip: its size is stored in front of it.
    f.PushOffset();
    int32_t skippedBytes = static_cast<int32_t>(skippedIndices.size() * sizeof(int32_t));
    f.Transfer(skippedBytes);
    if (f.IsSaving()) {
      f.TransferBinary(skippedIndices.data(), static_cast<size_t>(skippedBytes), true);
    } else if (skippedBytes >= 0) {
      f.SkipBinary(static_cast<size_t>(skippedBytes), true);
    } else {
      f.SetError(SerializeBinStream::EFileStructure);
    }
    bool atEnd = f.IsAtOffset();
    f.PopOffset();
    if (f.IsLoading() && !atEnd) f.SetError(SerializeBinStream::EFileStructure);
    f.Transfer(stamp);
  }
};
