// Opening files, processing their text, and the `#line` markers around included text.
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
  std::string text;
  bool read = ReadSource(*stream, path, text);
  CloseInclude(std::move(stream));
  if (!read) return;
  if (filesGranted_.insert(path).second)
    workAllowance_ += static_cast<long long>(text.size()) * limits_.workPerSourceByte;

  if (markers) WriteMarker(1, path);
  ProcessSource(path, text);
  if (error_ || !markers) return;
  // The including file goes on at the line of the directive.
  if (lastWritten_ != '\n') Write("\n");
  WriteMarker(CurrentLine(), CurrentFile());
}

bool Preproc::ReadSource(QIStream& in, const RString& path, std::string& text) {
  if (in.GetDataSize() > limits_.maxSourceSize) {
    ErrorMessage("File %s is larger than %lld bytes.", path.c_str(), limits_.maxSourceSize);
    SetError(kPreprocTooLarge);
    return false;
  }
  text.reserve(static_cast<size_t>(in.GetDataSize()));
  for (;;) {
    const char* data = nullptr;
    QFileSize size = in.PeekContiguous(&data);
    if (size <= 0) break;
    // Carriage returns are dropped from the input entirely.
    for (QFileSize i = 0; i < size; ++i)
      if (data[i] != '\r') text += data[i];
    in.Advance(size);
    if (static_cast<long long>(text.size()) > limits_.maxSourceSize) {
      ErrorMessage("File %s is larger than %lld bytes.", path.c_str(), limits_.maxSourceSize);
      SetError(kPreprocTooLarge);
      return false;
    }
  }
  return true;
}

void Preproc::ProcessSource(const RString& path, std::string_view text) {
  PreprocTokenizer tokenizer(text, true);
  files_.push_back({path, &tokenizer});
  BlockEnd end = ProcessBlock(tokenizer, true);
  // An #else or #endif that no conditional opened.
  if (end == BlockEnd::Else || end == BlockEnd::Endif) SetError(kPreprocBlockEnded);
  files_.pop_back();
}

void Preproc::WriteMarker(int line, const RString& path) {
  Write("#line " + std::to_string(line) + " \"" + path + "\"\n");
}
