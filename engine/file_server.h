#pragma once
// The engine's file system as far as the converter needs it: time stamps of files.
//
// No file banks are mounted in the converter, so every look-up goes to the disk.
#include <cstdint>
#include <string_view>

// The last-write time of `enginePath` in seconds since 1 January 1970, as an unsigned
// 32-bit value; 0 when the file cannot be reached.
uint32_t FileTimeStamp(std::string_view enginePath);
