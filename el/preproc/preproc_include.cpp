// Opening files, processing their text, and the `#line` markers around included text.
#include <cstring>
#include <string>

#include "el/appframe/app_frame.h"
#include "el/preproc/preproc_core.h"

void Preproc::IncludeFile(const RString& name, bool markers) {
  if (static_cast<int>(files_.size()) >= limits_.maxIncludeDepth) {
    ErrorMessage("Includes nested deeper than %d files at %s", limits_.maxIncludeDepth, name.c_str());
    SetError(kPreprocTooDeep);
    return;
  }
  RString path;
  std::unique_ptr<QIStream> stream = OpenInclude(name, path);
  if (!stream) {
    ErrorMessage("Cannot include file %s", name.c_str());
    SetError(kPreprocCannotInclude);
    return;
  }
  std::string_view text;
  std::string copy;
  bool read = ReadSource(*stream, path, text, copy);
  // A stream whose block is viewed stays open while its text is processed.
  if (!copy.empty() || text.empty()) {
    CloseInclude(std::move(stream));
    stream = nullptr;
  }
  if (!read) {
    if (stream) CloseInclude(std::move(stream));
    return;
  }
  if (filesGranted_.insert(path).second)
    workAllowance_ += static_cast<long long>(text.size()) * limits_.workPerSourceByte;
  if (files_.empty()) ReserveOutput(text.size());

  if (markers) WriteMarker(1, path);
  ProcessSource(path, text);
  if (stream) CloseInclude(std::move(stream));
  if (error_ || !markers) return;
  // The including file goes on at the line of the directive.
  if (lastWritten_ != '\n') Write("\n");
  WriteMarker(CurrentLine(), CurrentFile());
}

bool Preproc::ReadSource(QIStream& in, const RString& path, std::string_view& text, std::string& copy) {
  text = {};
  copy.clear();
  QFileSize dataSize = in.GetDataSize();
  if (dataSize > limits_.maxSourceSize) {
    ErrorMessage("File %s is larger than %lld bytes.", path.c_str(), limits_.maxSourceSize);
    SetError(kPreprocTooLarge);
    return false;
  }
  const char* data = nullptr;
  QFileSize size = in.PeekContiguous(&data);
  if (size <= 0) return true;
  if (size == dataSize && !std::memchr(data, '\r', static_cast<size_t>(size))) {
    // The whole text in one block and nothing to drop: no copy is needed.
    in.Advance(size);
    text = std::string_view(data, static_cast<size_t>(size));
    return true;
  }
  copy.reserve(static_cast<size_t>(dataSize));
  for (; size > 0; size = in.PeekContiguous(&data)) {
    // Carriage returns are dropped from the input entirely.
    for (QFileSize i = 0; i < size;) {
      const void* found = std::memchr(data + i, '\r', static_cast<size_t>(size - i));
      QFileSize stop = found ? static_cast<const char*>(found) - data : size;
      copy.append(data + i, static_cast<size_t>(stop - i));
      i = stop + 1;
    }
    in.Advance(size);
    if (static_cast<long long>(copy.size()) > limits_.maxSourceSize) {
      ErrorMessage("File %s is larger than %lld bytes.", path.c_str(), limits_.maxSourceSize);
      SetError(kPreprocTooLarge);
      return false;
    }
  }
  text = copy;
  return true;
}

// The output of a memory stream, which doubles its buffer when it runs out, is given
// room for the expected text at once. The preprocessed text is mostly about as long as
// the input; half as much again covers expanded macros and markers.
void Preproc::ReserveOutput(size_t inputSize) {
  auto* memory = dynamic_cast<QOStrStream*>(&out_);
  if (!memory || inputSize < (1u << 16)) return;
  size_t room = inputSize + inputSize / 2;
  if (static_cast<long long>(room) > limits_.maxOutputSize) room = static_cast<size_t>(limits_.maxOutputSize);
  if (memory->ReserveWrite(room)) memory->CommitWrite(0);
}

void Preproc::ProcessSource(const RString& path, std::string_view text) {
  PreprocTokenizer tokenizer(text, true);
  files_.push_back({path, &tokenizer});
  BlockEnd end = ProcessBlock(tokenizer, true);
  // An #elif, #else or #endif that no conditional opened.
  if (end == BlockEnd::Elif || end == BlockEnd::Else || end == BlockEnd::Endif) SetError(kPreprocBlockEnded);
  files_.pop_back();
}

void Preproc::WriteMarker(int line, const RString& path) {
  Write("#line " + std::to_string(line) + " \"" + path + "\"\n");
}
