// ParamFile: evaluator, clearing, and the entry points for tools.
#include "el/paramfile/param_file.h"

ParamEvaluator& ParamFile::MakeEvaluator() {
  if (!evaluator_) evaluator_ = std::make_unique<ParamEvaluator>();
  return *evaluator_;
}

void ParamFile::Clear() {
  ParamClass::Clear();
  if (evaluator_) evaluator_->Clear();
}

bool ParseConfigFile(ParamFile& file, const RString& fileName) { return file.Parse(fileName) == 0; }

bool LoadBinary(ParamFile& file, const RString& path) { return file.LoadBin(path) == 0; }

bool SaveBinary(const ParamFile& file, const RString& path) { return file.SaveBin(path); }

bool SaveText(const ParamFile& file, QOStream& out) { return file.SaveText(out); }
