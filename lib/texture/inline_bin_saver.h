#pragma once
// InlineBinSaver: the save half of SerializeBinStream for formats written in bulk.
//
// It offers the calls a transfer routine makes (Transfer, TransferString,
// TransferCompressedArray, TransferArray, TransferVersion, Ok, SetError, IsLoading) and
// writes the very bytes SerializeBinStream writes for them, but each plain value goes into
// a block of its own in code the compiler sees, instead of through a call per value. Full
// blocks go to the output stream, which is flushed each time, so that a long file passes
// through a small buffer that stays in the cache rather than one as large as the file. A
// routine written as a template over the stream type then saves through either one and
// loads through SerializeBinStream:
//
//   template <class Stream, class Record>
//   bool TransferRecord(Stream& f, Record& record) {
//     f.Transfer(record.count);
//     f.TransferString(record.name);
//     return f.Ok();
//   }
//
// The bytes still in the block reach the stream with Finish() (or when the saver ends).
// The error code follows SerializeBinStream's rules; failures of the output stream itself
// show in the stream, as they do there.
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>

#include "el/qstream/basic_types.h"
#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"

class InlineBinSaver {
 public:
  // Saves to `out`, which is not owned and must outlive this object.
  explicit InlineBinSaver(QOStream* out) : out_(out) {}
  ~InlineBinSaver() { Finish(); }
  InlineBinSaver(const InlineBinSaver&) = delete;
  InlineBinSaver& operator=(const InlineBinSaver&) = delete;

  // Hands the bytes saved so far to the stream; returns Ok().
  bool Finish() {
    Drain();
    return Ok();
  }

  static constexpr bool IsLoading() { return false; }
  static constexpr bool IsSaving() { return true; }

  int GetError() const { return error_; }
  bool Ok() const { return error_ == SerializeBinStream::EOK; }
  void SetError(int code) {
    if (error_ == SerializeBinStream::EOK) error_ = code;
  }
  // Which method compresses large blocks, as SerializeBinStream::SetLzoCompression.
  void SetLzoCompression(bool lzo) { lzoCompression_ = lzo; }

  // Plain values: 1, 2, 4 or 8 bytes as they are in memory (little-endian).
  template <class T>
    requires(std::is_arithmetic_v<T> && !std::is_same_v<T, bool> && sizeof(T) <= 8)
  void Transfer(const T& value) {
    if (Ok()) Put(&value, sizeof(T));
  }

  // The characters and one 0 byte.
  bool TransferString(const RString& value) {
    if (!Ok()) return false;
    Put(value.c_str(), value.size() + 1);
    return true;
  }

  // Writes `maxVersion` as an int32; true unless an error is recorded.
  bool TransferVersion(int /*minVersion*/, int maxVersion) {
    Transfer(maxVersion);
    return Ok();
  }

  // int32 count N, then the N elements as one block (compressed as SerializeBinStream
  // compresses it when asked and the block is large enough).
  template <class T>
  bool TransferCompressedArray(const AutoArray<T>& array, bool compressed) {
    static_assert(std::is_trivially_copyable_v<T> && !std::is_same_v<T, bool>, "compressed arrays hold plain values");
    int count = 0;
    if (!Ok() || !CountForSave(array.size(), count)) return false;
    Transfer(count);
    const size_t size = array.size() * sizeof(T);
    if (!compressed || size < SerializeBinStream::kMinCompressedBlockSize) {
      if (Ok()) Put(array.data(), size);
      return Ok();
    }
    // Large compressed blocks are rare: SerializeBinStream writes them.
    Drain();
    SerializeBinStream f(out_);
    f.SetLzoCompression(lzoCompression_);
    if (!f.TransferBinary(const_cast<T*>(array.data()), size, true)) SetError(f.GetError());
    return Ok();
  }

  // int32 count N, then each element of `range` (anything with size() and begin/end)
  // through `transferElement(saver, element)`.
  template <class Range, class TransferElement>
  bool TransferArray(const Range& range, TransferElement&& transferElement) {
    int count = 0;
    if (!Ok() || !CountForSave(range.size(), count)) return false;
    Transfer(count);
    if (!Ok()) return false;
    for (const auto& element : range) {
      transferElement(*this, element);
      if (!Ok()) return false;
    }
    return true;
  }

 private:
  static constexpr size_t kBlockSize = 64 * 1024;

  void Put(const void* data, size_t size) {
    if (size == 0) return;  // an empty array may have no storage at all
    if (size > kBlockSize - used_) {
      Drain();
      if (size > kBlockSize) {
        out_->write(data, size);
        return;
      }
    }
    std::memcpy(block_.get() + used_, data, size);
    used_ += size;
  }

  void Drain() {
    if (used_ == 0) return;
    out_->write(block_.get(), used_);
    used_ = 0;
    out_->Flush();
  }

  // The size as the stored int32 count; error 6 when it does not fit.
  bool CountForSave(size_t size, int& count) {
    if (size > static_cast<size_t>(std::numeric_limits<int>::max())) {
      SetError(SerializeBinStream::EGeneric);
      return false;
    }
    count = static_cast<int>(size);
    return true;
  }

  QOStream* out_;
  int error_ = SerializeBinStream::EOK;
  bool lzoCompression_ = false;
  size_t used_ = 0;
  std::unique_ptr<char[]> block_{new char[kBlockSize]};
};
