#include <cstdio>

#include "el/appframe/app_frame.h"
#include "el/preproc/preproc.h"
#include "el/qstream/qo_stream.h"
#include "platform/engine_path.h"
#include "tool/kiln/kiln_command.h"

namespace kiln {
namespace {

// Standard output carries the preprocessed text alone: what the preprocessor reports,
// such as a file that is missing, goes to standard error.
class MessagesToStandardError : public AppFrameFunctions {
 public:
  void LogLine(const char* format, va_list args) override { ErrorLine(format, args); }
};

}  // namespace

int RunPreprocess(const std::vector<std::string>& args) {
  MessagesToStandardError messages;
  SetAppFrameFunctions(&messages);
  QOStrStream out;
  const bool done = CPreprocessorFunctions::Preprocess(out, ToEnginePath(args[0]));
  SetAppFrameFunctions(nullptr);
  if (!done) return 1;
  std::string_view text = out.View();
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace kiln
