#pragma once
// What a conversion worker sends back to the run over its pipe: the messages it printed
// (each on its channel, in order), the textures it used, the files it read, and a last
// record saying it finished. Records are a tag byte, a 32-bit length and the bytes.
#include <string>
#include <string_view>
#include <vector>

#include "el/appframe/app_frame.h"
#include "tool/run_settings.h"

namespace kln {

enum class WorkerRecord : char {
  kLog = 'O',         // a log line, as the message sink formatted it
  kError = 'E',       // an error line
  kTexture = 'T',     // a used texture
  kDependency = 'D',  // a file read by the conversion (host path)
  kFinished = 'Z',    // the conversion ran to its end
};

// Appends one record to `out`.
void AppendRecord(std::string& out, WorkerRecord tag, std::string_view bytes);

// Writes every byte of `bytes` to the file descriptor; false on failure.
bool WriteAll(int fd, std::string_view bytes);

// A message sink that writes each line as a record to a file descriptor, cut and ended as
// the converter's own sink prints it (nothing under -noLogs).
class WorkerMessageSink : public AppFrameFunctions {
 public:
  explicit WorkerMessageSink(int fd) : fd_(fd) {}
  void LogLine(const char* format, va_list args) override { Send(WorkerRecord::kLog, format, args); }
  void ErrorLine(const char* format, va_list args) override { Send(WorkerRecord::kError, format, args); }
  void WarningLine(const char* format, va_list args) override { ErrorLine(format, args); }
  void ReportLine(const char* format, va_list args) override { ErrorLine(format, args); }
  void ReportLevelLine(int, const char* format, va_list args) override { ErrorLine(format, args); }

 private:
  void Send(WorkerRecord tag, const char* format, va_list args);
  int fd_;
};

// What one worker reported, decoded.
struct WorkerReport {
  std::vector<std::pair<WorkerRecord, std::string>> lines;  // kLog and kError, in order
  std::vector<std::string> textures;
  std::vector<std::string> dependencies;
  bool finished = false;
};

// Decodes the records of `bytes`; a record cut short at the end is dropped.
WorkerReport DecodeWorkerRecords(std::string_view bytes);

// Prints the report's lines to standard output and standard error, in their order.
void ReplayLines(const WorkerReport& report);

}  // namespace kln
