// Text configurations of arbitrary bytes: parsed (the first byte chooses between running
// the preprocessor over an in-memory file and reading the text as preprocessed output),
// then saved in the binary form, which must load back.
#include "el/preproc/preproc.h"
#include "el/qstream/qi_preprocessed_stream.h"
#include "fuzz/paramfile/paramfile_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  QuietMessages quiet;
  bool preprocess = data[0] & 1;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  ParamFile file("config.cpp");
  int result = 0;
  if (preprocess) {
    MemoryFileBank bank;
    bank.Add("config.cpp", text);
    QOStrStream out;
    if (!CPreprocessorFunctions::Preprocess(out, bank, "config.cpp")) return 0;
    QIPreprocessedStream in(out.GetBuffer(), static_cast<QFileSize>(out.GetBufferSize()), "config.cpp");
    result = file.Parse(in);
  } else {
    QIPreprocessedStream in(text.data(), static_cast<QFileSize>(text.size()), "config.cpp");
    result = file.Parse(in);
  }
  if (result != 0 && result != 2 && result != 3) std::abort();
  CheckBinaryRoundTrip(file);
  return 0;
}
