#include "engine/engine_file.h"

#include "platform/host_file.h"

bool OpenEngineFile(QIFStream& stream, std::string_view enginePath) {
  if (enginePath.empty()) return false;
  return stream.Open(HostPathOf(enginePath));
}
