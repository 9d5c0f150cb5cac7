// Preprocessing of arbitrary texts in memory: no crash, no hang, bounded output, the
// properties every successful run keeps, and the same result whether plain text is read
// in blocks or token by token.
#include <algorithm>
#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "el/preproc/file_preprocessor.h"
#include "fuzz/preproc/preproc_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetNoLogs(true);
  PreprocFuzzInput input = PreprocFuzzInput::Read(data, size);
  MemoryFileBank bank;
  input.AddTo(bank);

  PreprocLimits limits;
  limits.maxWork = 1 << 20;
  limits.workPerSourceByte = 4;
  limits.maxOutputSize = 1 << 20;
  QOStrStream out;
  BankPreprocessor preproc(out, bank);
  preproc.SetLimits(limits);
  preproc.Define("FUZZ", "1");
  bool ok = preproc.Process("main.cpp");

  QOStrStream tokenOut;
  BankPreprocessor tokenByToken(tokenOut, bank);
  tokenByToken.SetLimits(limits);
  tokenByToken.SetBlockReading(false);
  tokenByToken.Define("FUZZ", "1");
  if (tokenByToken.Process("main.cpp") != ok || tokenByToken.Error() != preproc.Error() ||
      tokenByToken.ErrorLine() != preproc.ErrorLine() || tokenOut.View() != out.View())
    std::abort();

  std::string_view text = out.View();
  if (ok != (preproc.Error() == kPreprocOk)) std::abort();
  if (static_cast<long long>(text.size()) > limits.maxOutputSize) std::abort();
  if (text.find('\r') != std::string_view::npos) std::abort();
  // A single file keeps its line count (a quoted line feed inside macro arguments may be
  // repeated or dropped with its argument, so quotes are left out).
  const std::string& main = input.mainText;
  if (ok && main.find("include") == std::string::npos && main.find('"') == std::string::npos &&
      std::count(text.begin(), text.end(), '\n') != std::count(main.begin(), main.end(), '\n'))
    std::abort();
  return 0;
}
