#include <cstdio>

#include "el/preproc/preproc.h"
#include "el/qstream/qo_stream.h"
#include "platform/engine_path.h"
#include "tool/kiln/kiln_command.h"

namespace kiln {

int RunPreprocess(const std::vector<std::string>& args) {
  QOStrStream out;
  if (!CPreprocessorFunctions::Preprocess(out, ToEnginePath(args[0]))) return 1;
  std::string_view text = out.View();
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace kiln
