#include "el/preproc/preproc.h"

#include "el/appframe/app_frame.h"
#include "el/preproc/file_preprocessor.h"
#include "platform/engine_path.h"

namespace {

bool Run(Preproc& preproc, const RString& fileName, const PredefinedMacro* defines, bool lineMarkers) {
  preproc.SetLineMarkers(lineMarkers);
  for (const PredefinedMacro* macro = defines; macro && macro->name && *macro->name; ++macro)
    preproc.Define(macro->name, macro->value);
  if (preproc.Process(fileName)) return true;
  RString file = ToEnginePath(fileName);
  if (preproc.ErrorFile().empty()) {
    ErrorMessage("Preprocessor failed on file %s - error %d.", file.c_str(), preproc.Error());
  } else {
    ErrorMessage("Preprocessor failed on file %s - error %d (source %s, line %d).", file.c_str(), preproc.Error(),
                 preproc.ErrorFile().c_str(), preproc.ErrorLine());
  }
  return false;
}

}  // namespace

bool CPreprocessorFunctions::Preprocess(QOStream& out, const RString& fileName, const PredefinedMacro* defines,
                                        bool lineMarkers) {
  FilePreprocessor preproc(out);
  return Run(preproc, fileName, defines, lineMarkers);
}

bool CPreprocessorFunctions::Preprocess(QOStream& out, const FileBank& bank, const RString& fileName,
                                        const PredefinedMacro* defines, bool lineMarkers) {
  BankPreprocessor preproc(out, bank);
  return Run(preproc, fileName, defines, lineMarkers);
}
