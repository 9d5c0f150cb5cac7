#pragma once
// Last-write times of files.
#include <cstdint>
#include <optional>
#include <string_view>

// The last-write time of the file `enginePath` names, in seconds since 1 January 1970
// (UTC); nothing when the file cannot be reached.
std::optional<int64_t> FileWriteTime(std::string_view enginePath);
