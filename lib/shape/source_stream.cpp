#include "lib/shape/source_stream.h"

#include "lib/shape/shape_reports.h"

bool SourceStream::Skip(QFileSize size) {
  if (size < 0 || size > Rest()) return false;
  in_.SeekG(in_.TellG() + size);
  return true;
}

bool SourceStream::ReadString(RString& value) {
  value.clear();
  for (;;) {
    int c = in_.get();
    if (c < 0) {
      ReportShapeFileReadError();
      return false;
    }
    if (c == 0) return true;
    value.push_back(static_cast<char>(c));
  }
}

bool SourceStream::ReadFixedString(RString& value, size_t size) {
  char buffer[256];
  if (size > sizeof buffer || !Read(buffer, size)) {
    value.clear();
    return false;
  }
  value.assign(buffer, strnlen(buffer, size));
  return true;
}
