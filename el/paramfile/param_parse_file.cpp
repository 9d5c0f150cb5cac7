// Parsing a text configuration file: preprocess it into memory, then parse the result.
// The preprocessed text is kept in chunks that the parse frees as it goes, so that the
// text and the finished tree are never in memory at once; the file buffer and the chunks
// go to the pool the tree is built from, pages and all.
#include "el/paramfile/param_file.h"
#include "el/paramfile/param_pool.h"
#include "el/preproc/preproc.h"
#include "el/qstream/qi_preprocessed_stream.h"
#include "el/qstream/qo_chunk_stream.h"
#include "platform/host_file.h"

int ParamFile::Parse(const RString& fileName, ParamOwner* owner, const PredefinedMacro* defines) {
  SetFileName(fileName);
  if (owner) SetOwner(owner);
  if (!EngineFileExists(fileName)) return 0;
  ParamPoolBlockReceiver receiver;
  ScopedLargeBlockReceiver reuse(receiver);
  QOChunkStream text;
  if (!CPreprocessorFunctions::Preprocess(text, fileName, defines, true)) return 3;
  QIPreprocessedStream in(text.TakeText(), fileName);
  int result = Parse(in, owner);
  if (result == 0 && in.ReadFailed()) result = 2;
  return result;
}
