#include "tool/worker_messages.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tool/kilnify_frame_functions.h"

namespace kln {

void AppendRecord(std::string& out, WorkerRecord tag, std::string_view bytes) {
  const uint32_t length = static_cast<uint32_t>(bytes.size());
  out += static_cast<char>(tag);
  out.append(reinterpret_cast<const char*>(&length), sizeof length);
  out.append(bytes);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

void WorkerMessageSink::ReportLine(const char* format, va_list args) {
  // The converter's own sink prints report lines as warnings, and only with logs on.
  if (!NoLogs()) Send(WorkerRecord::kWarning, format, args);
}

void WorkerMessageSink::Send(WorkerRecord tag, const char* format, va_list args) {
  char buffer[KilnifyFrameFunctions::kMaxLine + 1];
  int length = FormatSinkLine(buffer, format, args);
  std::string record;
  AppendRecord(record, tag, std::string_view(buffer, static_cast<size_t>(length)));
  WriteAll(fd_, record);
}

WorkerReport DecodeWorkerRecords(std::string_view bytes) {
  WorkerReport report;
  constexpr size_t kHead = 1 + sizeof(uint32_t);
  while (bytes.size() >= kHead) {
    const auto tag = static_cast<WorkerRecord>(bytes[0]);
    uint32_t length = 0;
    std::memcpy(&length, bytes.data() + 1, sizeof length);
    if (length > bytes.size() - kHead) break;
    std::string text(bytes.substr(kHead, length));
    bytes.remove_prefix(kHead + length);
    switch (tag) {
      case WorkerRecord::kLog:
      case WorkerRecord::kError:
      case WorkerRecord::kWarning:
      case WorkerRecord::kNotice: report.lines.emplace_back(tag, std::move(text)); break;
      case WorkerRecord::kTexture: report.textures.push_back(std::move(text)); break;
      case WorkerRecord::kLoaded: report.loaded.push_back(std::move(text)); break;
      case WorkerRecord::kDependency: report.dependencies.push_back(std::move(text)); break;
      case WorkerRecord::kFinished: report.finished = true; break;
    }
  }
  return report;
}

void ReplayLines(const WorkerReport& report) {
  for (const auto& [tag, line] : report.lines) {
    // The sink formats again what the worker's sink formatted: without its line end the
    // text is within the line limit, so it comes out as the same bytes.
    std::string text = line;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    switch (tag) {
      case WorkerRecord::kLog: LogMessage("%s", text.c_str()); break;
      case WorkerRecord::kWarning: WarningMessage("%s", text.c_str()); break;
      case WorkerRecord::kNotice: NoticeMessage("%s", text.c_str()); break;
      default: ErrorMessage("%s", text.c_str()); break;
    }
  }
}

}  // namespace kln
