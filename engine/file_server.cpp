#include "engine/file_server.h"

#include "platform/file_time.h"

uint32_t FileServer::TimeStamp(std::string_view enginePath) const {
  auto time = FileWriteTime(enginePath);
  return time ? static_cast<uint32_t>(*time) : 0u;
}

FileServer& Files() {
  static FileServer server;
  return server;
}

uint32_t FileTimeStamp(std::string_view enginePath) { return Files().TimeStamp(enginePath); }
