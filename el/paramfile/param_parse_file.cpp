// Parsing a text configuration file: preprocess it into memory, then parse the result.
#include "el/paramfile/param_file.h"
#include "el/preproc/preproc.h"
#include "el/qstream/qi_preprocessed_stream.h"
#include "platform/host_file.h"

int ParamFile::Parse(const RString& fileName, ParamOwner* owner, const PredefinedMacro* defines) {
  SetFileName(fileName);
  if (owner) SetOwner(owner);
  if (!EngineFileExists(fileName)) return 0;
  QOStrStream text;
  if (!CPreprocessorFunctions::Preprocess(text, fileName, defines, true)) return 3;
  QIPreprocessedStream in(text.GetBuffer(), static_cast<QFileSize>(text.GetBufferSize()), fileName);
  int result = Parse(in, owner);
  if (result == 0 && in.ReadFailed()) result = 2;
  return result;
}
