#include "el/qstream/serialize_bin_stream.h"

#include <bit>
#include <cassert>
#include <cstring>
#include <limits>

#include "el/appframe/app_frame.h"
#include "el/qstream/stream_report.h"

static_assert(std::endian::native == std::endian::little,
              "values are stored as they are in memory, which must be little-endian");

void SerializeBinStream::Transfer(bool& value) {
  unsigned char byte = value ? 1 : 0;
  TransferRaw(&byte, 1);
  if (IsLoading() && Ok()) value = byte != 0;
}

// Appends the characters up to the first byte that `isEnd` accepts and reads that byte
// too; returns it, or -1 when the input ends first. Whole runs are taken from the
// stream's buffer at a time.
template <class IsEnd>
static int ReadUntil(QIStream& in, RString& value, IsEnd isEnd) {
  for (;;) {
    const char* data = nullptr;
    const QFileSize available = in.PeekContiguous(&data);
    if (available <= 0) return in.get();  // at the end, or a stream without a buffer
    const auto* begin = reinterpret_cast<const unsigned char*>(data);
    const auto* end = begin + available;
    const unsigned char* p = begin;
    while (p != end && !isEnd(*p)) ++p;
    value.append(data, static_cast<size_t>(p - begin));
    if (p != end) {
      in.Advance(p - begin + 1);
      return *p;
    }
    in.Advance(available);
  }
}

bool SerializeBinStream::TransferString(RString& value) {
  if (!Ok()) return false;
  if (out_) {
    out_->write(value.c_str(), value.size() + 1);
    return true;
  }
  value.clear();
  if (ReadUntil(*in_, value, [](unsigned char c) { return c == 0; }) == 0) return true;
  ErrorMessage("EOF in string");
  SetError(EFileStructure);
  return false;
}

bool SerializeBinStream::LoadStringView(std::string_view& view, RString& storage) {
  assert(in_);
  if (!Ok()) return false;
  const char* data = nullptr;
  const QFileSize available = in_->PeekContiguous(&data);
  if (available > 0) {
    if (const void* end = std::memchr(data, 0, static_cast<size_t>(available))) {
      view = std::string_view(data, static_cast<size_t>(static_cast<const char*>(end) - data));
      in_->Advance(static_cast<QFileSize>(view.size() + 1));
      return true;
    }
  }
  if (!TransferString(storage)) return false;
  view = storage;
  return true;
}

bool SerializeBinStream::TransferNameString(RString& value) {
  if (!Ok()) return false;
  if (out_) return TransferString(value);
  value.clear();
  ReadUntil(*in_, value, [](unsigned char c) { return c == 0 || c == 0xFF; });
  return true;
}

bool SerializeBinStream::TransferVersion(int minVersion, int maxVersion) {
  if (!Ok()) return false;
  int value = maxVersion;
  if (IsLoading()) {
    // A file cut inside the tag or version reads the missing bytes as 0xFF, as any read
    // past the end does: the caller then reports a wrong tag or version, not corrupt data.
    unsigned char bytes[sizeof(value)];
    std::memset(bytes, 0xFF, sizeof(bytes));
    in_->read(bytes, sizeof(bytes));
    std::memcpy(&value, bytes, sizeof(value));
  } else {
    Transfer(value);
  }
  if (!Ok()) return false;
  version_ = value;
  return IsSaving() || (minVersion <= value && value <= maxVersion);
}

bool SerializeBinStream::CountForSave(size_t size, int& count) {
  if (size > static_cast<size_t>(std::numeric_limits<int>::max())) {
    SetError(EGeneric);
    return false;
  }
  count = static_cast<int>(size);
  return true;
}

// --- Offset records.

QFileSize SerializeBinStream::ReserveOffset() {
  if (!out_ || !Ok()) return -1;
  QFileSize position = out_->TellP();
  int placeholder = -1;
  out_->write(&placeholder, 4);
  return position;
}

void SerializeBinStream::PatchValue(QFileSize position, int value) {
  if (!out_ || !Ok()) return;
  QFileSize end = out_->TellP();
  if (position < 0 || position > end - 4) {
    assert(!"PatchValue outside the written bytes");
    SetError(EGeneric);
    return;
  }
  out_->WriteAt(position, &value, 4);
}

void SerializeBinStream::PatchOffset(QFileSize position) {
  if (!out_ || !Ok()) return;
  QFileSize end = out_->TellP();
  if (end > std::numeric_limits<int>::max()) {
    SetError(EGeneric);  // an offset record holds an int32
    return;
  }
  PatchValue(position, static_cast<int>(end));
}

void SerializeBinStream::PushOffset() {
  if (!Ok()) return;
  if (out_) {
    offsets_.push_back(ReserveOffset());
    return;
  }
  int offset = 0;
  Transfer(offset);
  if (Ok()) offsets_.push_back(offset);
}

void SerializeBinStream::PopOffset() {
  if (!Ok()) return;
  if (offsets_.empty()) {
    assert(!"PopOffset without PushOffset");
    SetError(EFileStructure);
    return;
  }
  QFileSize offset = offsets_.back();
  offsets_.pop_back();
  if (out_) {
    PatchOffset(offset);
    return;
  }
  if (offset < 0 || offset > in_->GetDataSize()) {
    SetError(EFileStructure);
    return;
  }
  in_->SeekG(offset);
}

void SerializeBinStream::DropOffset() {
  if (out_) {
    PopOffset();
    return;
  }
  if (!offsets_.empty()) offsets_.pop_back();
}

bool SerializeBinStream::IsAtOffset() const {
  if (out_) return true;
  return !offsets_.empty() && offsets_.back() == in_->TellG();
}

// --- Positions.

QFileSize SerializeBinStream::TellG() const {
  if (!in_) {
    KLN_REPORT_AT_SOURCE("File is not readable");
    return 0;
  }
  return in_->TellG();
}

void SerializeBinStream::SeekG(QFileSize position) {
  if (!in_) {
    KLN_REPORT_AT_SOURCE("Cannot SeekG on output stream");
    return;
  }
  in_->SeekG(position);
}

QFileSize SerializeBinStream::TellP() const {
  if (!out_) {
    KLN_REPORT_AT_SOURCE("File is not writeable");
    return 0;
  }
  return out_->TellP();
}

void SerializeBinStream::SeekP(QFileSize position) {
  if (!out_) {
    KLN_REPORT_AT_SOURCE("Cannot SeekP on input stream");
    return;
  }
  out_->SeekP(position);
}
