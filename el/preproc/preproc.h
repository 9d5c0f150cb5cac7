#pragma once
// Entry points of the configuration preprocessor.
#include "el/preproc/file_bank.h"
#include "el/qstream/basic_types.h"
#include "el/qstream/qo_stream.h"

// A macro defined before the file is read. A list of them ends with an entry whose name
// is null or empty; a null value gives an empty body.
struct PredefinedMacro {
  const char* name;
  const char* value;
};

class CPreprocessorFunctions {
 public:
  // Preprocesses the file `fileName` (engine path) into `out`; false on failure (after
  // reporting it). With `lineMarkers`, included text is framed by `#line` lines.
  static bool Preprocess(QOStream& out, const RString& fileName, const PredefinedMacro* defines = nullptr,
                         bool lineMarkers = true);
  // The same with the file and everything it includes taken from `bank`.
  static bool Preprocess(QOStream& out, const FileBank& bank, const RString& fileName,
                         const PredefinedMacro* defines = nullptr, bool lineMarkers = true);
};
