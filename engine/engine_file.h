#pragma once
// Opening files of the engine's file layer by engine path ('\' separators, any letter
// case). No file banks are mounted in the converter, so every name reaches the disk
// through HostPathOf.
#include <string_view>

#include "el/qstream/qi_file_stream.h"

// Opens `enginePath` into `stream`; false when the file cannot be opened.
bool OpenEngineFile(QIFStream& stream, std::string_view enginePath);
