#include "lib/texture/pressmill/file_copy.h"

#include <cstring>

#include "el/qstream/qi_file_stream.h"
#include "el/qstream/qo_file_stream.h"

namespace {

bool Finish(QOFStream& out, std::string& error) {
  if (!out.Close()) {
    error = std::string("cannot write the target: ") + std::strerror(out.GetErrorCode());
    return false;
  }
  return true;
}

}  // namespace

bool CopyFileAtomic(const std::string& source, const std::string& target, std::string& error) {
  QIFStream in;
  if (!in.Open(source)) {
    error = std::string("cannot open the source: ") + std::strerror(in.GetErrorCode());
    return false;
  }
  QOFStream out;
  if (!out.OpenAtomic(target)) {
    error = std::string("cannot create the target: ") + std::strerror(out.GetErrorCode());
    return false;
  }
  QFileSize copied = 0;
  for (;;) {
    const char* data = nullptr;
    QFileSize available = in.PeekContiguous(&data);
    if (available <= 0) break;
    out.write(data, static_cast<size_t>(available));
    in.Advance(available);
    copied += available;
  }
  if (copied != in.GetDataSize() || in.GetErrorCode() != 0) {
    out.Discard();
    error = "cannot read the source";
    return false;
  }
  return Finish(out, error);
}

bool WriteFileAtomic(const std::string& target, const std::string& bytes, std::string& error) {
  QOFStream out;
  if (!out.OpenAtomic(target)) {
    error = std::string("cannot create the target: ") + std::strerror(out.GetErrorCode());
    return false;
  }
  out.write(bytes.data(), bytes.size());
  return Finish(out, error);
}
