#include "el/preproc/file_preprocessor.h"

#include "el/appframe/app_frame.h"
#include "el/preproc/include_path.h"
#include "el/qstream/qi_file_stream.h"
#include "platform/engine_path.h"
#include "platform/host_file.h"

std::unique_ptr<QIStream> FilePreprocessor::OpenInclude(const RString& name, RString& path) {
  path = CurrentFile().empty() ? ToEnginePath(name) : IncludePath(CurrentFile(), name);
  std::unique_ptr<QIStream> stream = OpenSource(path);
  if (!stream) LogMessage("Include file %s not found.", path.c_str());
  return stream;
}

bool FilePreprocessor::IncludeExists(const RString& name) {
  return OpenSource(IncludePath(CurrentFile(), name)) != nullptr;
}

std::unique_ptr<QIStream> FilePreprocessor::OpenSource(const RString& path) {
  auto stream = std::make_unique<QIFStream>();
  if (!stream->Open(HostPathOf(path))) return nullptr;
  return stream;
}
