#pragma once
// Small rules about paths in engine form: extensions, destination folders, time stamps.
#include <cstdint>
#include <string_view>

#include "el/qstream/basic_types.h"

namespace kln {

// `folder` with a '\' appended unless it already ends in one (an empty folder gives "\").
RString WithTrailingBackslash(std::string_view folder);

// The text from the last '.' of the file-name part (after the last '\'; a leading drive
// "X:" is passed over when there is no '\') to the end; empty when that part has no '.'.
std::string_view GetExtension(std::string_view path);

// Creates every folder that a prefix of `filePath` ending before a '\' names, shortest
// first, so that the file can be written. Failures (existing folders) are ignored.
void CreateDestinationFolders(std::string_view filePath);

// True when the source's write time is at most the destination's time stamp; a missing
// destination has the stamp 0.
bool IsUpToDate(int64_t sourceWriteTime, std::string_view destinationPath);

}  // namespace kln
