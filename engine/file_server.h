#pragma once
// The engine's file system as far as the converters need it: time stamps of files and
// letting go of a file before it is replaced.
//
// No file banks are mounted in the converter, so every look-up goes to the disk.
#include <cstdint>
#include <string_view>

class FileServer {
 public:
  void Start() { running_ = true; }
  void Stop() { running_ = false; }
  bool Running() const { return running_; }

  // The last-write time of `enginePath` in seconds since 1 January 1970, as an unsigned
  // 32-bit value; 0 when the file cannot be reached.
  uint32_t TimeStamp(std::string_view enginePath) const;
  // Lets go of whatever is held open or cached for `enginePath`, before the file is
  // replaced; true when nothing is in the way. The server keeps no handles open.
  bool Release(std::string_view enginePath) const { return true; }

 private:
  bool running_ = false;
};

// The process-wide file server.
FileServer& Files();

// Shorthand for Files().TimeStamp().
uint32_t FileTimeStamp(std::string_view enginePath);
