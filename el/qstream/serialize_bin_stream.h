#pragma once
// SerializeBinStream: one object that saves or loads a structure with the same routine.
//
// A format writes ONE transfer routine; each call writes the field when the stream wraps
// an output stream and reads it back into the same variable when it wraps an input stream:
//
//   bool TransferHeader(SerializeBinStream& f, Header& header) {
//     if (!f.TransferVersion(kMagic, kMagic)) { f.SetError(SerializeBinStream::EBadFileType); return false; }
//     if (!f.TransferVersion(28, 54)) { f.SetError(SerializeBinStream::EBadVersion); return false; }
//     f.SetLzoCompression(f.GetVersion() >= 44);  // version 44 and up stores blocks with LZO
//     f.Transfer(header.flags);
//     f.TransferString(header.name);
//     f.TransferCompressedArray(header.positions, true);
//     if (f.IsLoading()) header.Rebuild();  // the few steps that differ
//     return f.Ok();
//   }
//
// Encoding: little-endian, unaligned; strings are their characters and one 0 byte; large
// blocks (1024 bytes and more, when asked) are compressed with LZO1X or LZSS and carry no
// length of their own.
//
// Loading is safe on untrusted input: malformed or truncated data sets error code 4
// (EFileStructure) and never reads or writes outside the stream or the caller's objects;
// array counts are checked against what the stream still holds before anything is
// allocated. The error code only goes from 0 to the first failure; once it is set every
// transfer does nothing and returns false, so a routine may test it once at the end.
#include <cstring>
#include <new>
#include <type_traits>

#include "el/qstream/basic_types.h"
#include "el/qstream/compact_array.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "el/qstream/vector3.h"

// Base of the objects a format attaches while it is being transferred (the binary
// configuration keeps its version and string table in one).
class SerializeBinContext {
 public:
  virtual ~SerializeBinContext() = default;
};

class SerializeBinStream {
 public:
  enum ErrorCode : int {
    EOK = 0,
    EBadFileType = 1,    // not a file of this format (magic mismatch)
    EBadVersion = 3,     // unsupported format version
    EFileStructure = 4,  // corrupt data
    ENoFile = 5,         // file not found
    EGeneric = 6,        // cannot be opened, or the object may not be saved as it is
  };

  // Blocks below this size are stored as they are even when compression is asked for.
  static constexpr size_t kMinCompressedBlockSize = 1024;
  // The largest block a load accepts; bigger sizes are treated as corrupt data.
  static constexpr size_t kMaxLoadedBlockSize = size_t{1} << 30;

  // Loads from `in` / saves to `out`; the stream is not owned and must outlive this object.
  explicit SerializeBinStream(QIStream* in) : in_(in) {}
  explicit SerializeBinStream(QOStream* out) : out_(out) {}
  SerializeBinStream(const SerializeBinStream&) = delete;
  SerializeBinStream& operator=(const SerializeBinStream&) = delete;

  bool IsLoading() const { return in_ != nullptr; }
  bool IsSaving() const { return out_ != nullptr; }
  QIStream* GetLoadStream() const { return in_; }
  QOStream* GetSaveStream() const { return out_; }

  int GetError() const { return error_; }
  bool Ok() const { return error_ == EOK; }
  // Records `code` unless an error is already recorded.
  void SetError(int code) {
    if (error_ == EOK) error_ = code;
  }

  // The format version: -1 until TransferVersion has run.
  int GetVersion() const { return version_; }
  // Which method compresses large blocks: LZO1X when set, LZSS otherwise.
  bool GetLzoCompression() const { return lzoCompression; }
  void SetLzoCompression(bool lzo) { lzoCompression = lzo; }

  // The format's context object (not owned); Context<T>() is null when none of type T.
  void SetContext(SerializeBinContext* context) { context_ = context; }
  template <class T>
  T* Context() const {
    return dynamic_cast<T*>(context_);
  }

  // --- Plain values: 1, 2, 4 or 8 bytes as they are in memory (little-endian).
  template <class T>
    requires(std::is_arithmetic_v<T> && !std::is_same_v<T, bool> && sizeof(T) <= 8)
  void Transfer(T& value) {
    TransferRaw(&value, sizeof(T));
  }
  // One byte, 0 or 1; any nonzero byte loads as true.
  void Transfer(bool& value);
  // x, y, z as three floats.
  void Transfer(Vector3& value) { TransferRaw(&value, sizeof(Vector3)); }

  // The characters and one 0 byte. Load reads up to and including the 0 byte; when the
  // input ends first it reports "EOF in string", keeps the characters read and sets error
  // 4. Returns true on success.
  bool TransferString(RString& value);
  // Load only: the characters of a string as TransferString reads them, as a view that
  // stays valid until the next read: into the stream's buffer when the whole string lies
  // there, otherwise into `storage`. Returns true on success.
  bool LoadStringView(std::string_view& view, RString& storage);
  // Saved as TransferString; a load also ends at a 0xFF byte or at the end of the input,
  // without an error. Used for names inside runtime data. Returns true on success.
  bool TransferNameString(RString& value);

  // One int32. Save writes `maxVersion` and keeps it as the version; load reads it, keeps
  // it as the version and returns true when minVersion <= value <= maxVersion. The caller
  // sets the error code (EBadFileType for a magic, EBadVersion for a version).
  bool TransferVersion(int minVersion, int maxVersion);

  // A block of `size` bytes, compressed (LZO1X or LZSS by GetLzoCompression()) when
  // `compressed` is set and size >= 1024. Returns true on success; on malformed data sets
  // error 4 (an LZSS failure also reports "Error in SerializeBinStream decoding").
  bool TransferBinary(void* data, size_t size, bool compressed);
  // Load only: moves past a block written by TransferBinary (a raw block by seeking, a
  // compressed one by decoding and checking it). Returns true on success.
  bool SkipBinary(size_t size, bool compressed);

  // int32 count N, then TransferBinary of the N elements. Load resizes the array first.
  template <class T>
  bool TransferCompressedArray(AutoArray<T>& array, bool compressed);
  // int32 length N; byte 0 then TransferBinary of N elements, or byte 1 then the one
  // value of a condensed array.
  template <class T>
  bool TransferCompactArray(CompactArray<T>& array, bool compressed);
  // int32 count N, then each element through `transferElement(f, element)` (elements must
  // take at least one byte each). Load grows the array element by element.
  template <class T, class TransferElement>
  bool TransferArray(AutoArray<T>& array, TransferElement&& transferElement);
  // As above for elements with a `void SerializeBin(SerializeBinStream&)` member or plain
  // values that Transfer() handles.
  template <class T>
  bool TransferArray(AutoArray<T>& array);

  // --- Offset records.
  // Save only: remembers TellP, writes int32 -1 and returns the remembered position
  // (load: returns -1 and reads nothing).
  QFileSize ReserveOffset();
  // Save only: writes the current TellP as int32 at `position` and returns to the end.
  void PatchOffset(QFileSize position);
  // Save only: writes `value` as int32 at `position` and returns to the end.
  void PatchValue(QFileSize position, int value);
  // Save: ReserveOffset and push its position. Load: read the int32 offset and push it.
  void PushOffset();
  // Save: pop and PatchOffset. Load: pop and SeekG there (an offset outside the stream
  // sets error 4).
  void PopOffset();
  // Save: as PopOffset. Load: pop and forget the offset.
  void DropOffset();
  // Load: true when the top offset is the current position. Save: true.
  bool IsAtOffset() const;

  // --- Positions: forwarded to the wrapped stream (absolute byte positions). The wrong
  // direction reports "%s(%d) : %s" and does nothing (Tell gives 0).
  QFileSize TellG() const;
  void SeekG(QFileSize position);
  QFileSize TellP() const;
  void SeekP(QFileSize position);
  // Load: bytes left after the current position (save: 0).
  QFileSize GetRest() const { return in_ ? in_->GetRest() : 0; }

 private:
  // Writes or reads `size` bytes; a short read sets error 4. Inline: formats transfer
  // most of their fields a few bytes at a time.
  void TransferRaw(void* data, size_t size) {
    if (!Ok()) return;
    if (out_) {
      out_->write(data, size);
      return;
    }
    if (static_cast<size_t>(in_->read(data, static_cast<QFileSize>(size))) != size) SetError(EFileStructure);
  }
  // Load: checks a count read from the stream: 0 <= count, count * elementSize can be a
  // block the rest of the stream holds. Sets error 4 and returns false otherwise.
  bool CheckLoadedCount(int count, size_t elementSize, bool compressed);
  // Save: the array size as the stored int32 count (error 6 when it does not fit).
  bool CountForSave(size_t size, int& count);
  template <class T>
  bool ResizeForLoad(AutoArray<T>& array, size_t size);

  QIStream* in_ = nullptr;
  QOStream* out_ = nullptr;
  int error_ = EOK;
  int version_ = -1;
  bool lzoCompression = false;
  AutoArray<QFileSize> offsets_;
  SerializeBinContext* context_ = nullptr;
};

// The four characters of a magic ("ODOL") as the int32 whose little-endian bytes are
// those characters in reading order, for TransferVersion(magic, magic).
constexpr int MakeMagic(const char (&tag)[5]) {
  return static_cast<int>(static_cast<uint32_t>(static_cast<unsigned char>(tag[0])) |
                          static_cast<uint32_t>(static_cast<unsigned char>(tag[1])) << 8 |
                          static_cast<uint32_t>(static_cast<unsigned char>(tag[2])) << 16 |
                          static_cast<uint32_t>(static_cast<unsigned char>(tag[3])) << 24);
}

#include "el/qstream/serialize_bin_arrays.h"
