#include "engine/file_server.h"

#include "platform/file_time.h"

uint32_t FileTimeStamp(std::string_view enginePath) {
  auto time = FileWriteTime(enginePath);
  return time ? static_cast<uint32_t>(*time) : 0u;
}
