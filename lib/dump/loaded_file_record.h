#pragma once
// The head of the account of a file loaded through its transfer routine: "file", "ok", on
// failure the stream's "error" code and its "reason", and the "messages" of the load.
#include <string>
#include <string_view>
#include <vector>

#include "lib/dump/dump_record.h"

// `wrongKind`: the reason given when the file is not of the expected kind (a bad magic).
DumpRecord LoadedFileRecord(bool json, std::string_view path, int error, const std::vector<std::string>& messages,
                            const char* wrongKind);
