#pragma once
// Little-endian reads from a source file, each telling whether the bytes were there.
#include <bit>
#include <cstdint>
#include <cstring>

#include "el/qstream/basic_types.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/vector3.h"

static_assert(std::endian::native == std::endian::little, "source files are read as little-endian memory");

class SourceStream {
 public:
  explicit SourceStream(QIStream& in) : in_(in) {}

  QIStream& Stream() { return in_; }
  QFileSize Tell() const { return in_.TellG(); }
  void Seek(QFileSize position) { in_.SeekG(position); }
  // Bytes left after the current position.
  QFileSize Rest() const { return in_.GetRest(); }

  bool Read(void* data, size_t size) { return in_.read(data, static_cast<QFileSize>(size)) == static_cast<QFileSize>(size); }
  bool ReadU32(uint32_t& value) { return Read(&value, sizeof value); }
  bool ReadI32(int32_t& value) { return Read(&value, sizeof value); }
  bool ReadFloat(float& value) { return Read(&value, sizeof value); }
  bool ReadVector(Vector3& value) { return Read(&value, sizeof value); }
  // Moves `size` bytes on; false when fewer are left.
  bool Skip(QFileSize size);

  // A string up to and including its 0 byte. When the file ends first, "File read error"
  // is reported, the characters read so far are the string and false is returned.
  bool ReadString(RString& value);
  // A zero-padded name of `size` bytes (the name ends at the first 0 byte).
  bool ReadFixedString(RString& value, size_t size);

 private:
  QIStream& in_;
};
