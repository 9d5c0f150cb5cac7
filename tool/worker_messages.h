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
  kWarning = 'W',     // a warning line (also the report calls)
  kNotice = 'N',      // an error-channel line that reports no problem
  kTexture = 'T',     // a used texture
  kLoaded = 'L',      // a texture the conversion loaded (for the run's record of the file)
  kDependency = 'D',  // a file read by the conversion (host path)
  kFinished = 'Z',    // the conversion ran to its end
};

// Appends one record to `out`.
void AppendRecord(std::string& out, WorkerRecord tag, std::string_view bytes);

// Writes every byte of `bytes` to the file descriptor; false on failure.
bool WriteAll(int fd, std::string_view bytes);

// A message sink that writes each line as a record to a file descriptor, cut and ended as
// the converter's own sink prints it. Lines are sent under -noLogs too: the run decides
// what to print, and its report keeps every message.
class WorkerMessageSink : public AppFrameFunctions {
 public:
  explicit WorkerMessageSink(int fd) : fd_(fd) {}
  void LogLine(const char* format, va_list args) override { Send(WorkerRecord::kLog, format, args); }
  void ErrorLine(const char* format, va_list args) override { Send(WorkerRecord::kError, format, args); }
  void WarningLine(const char* format, va_list args) override { Send(WorkerRecord::kWarning, format, args); }
  void NoticeLine(const char* format, va_list args) override { Send(WorkerRecord::kNotice, format, args); }
  void ReportLine(const char* format, va_list args) override;
  void ReportLevelLine(int, const char* format, va_list args) override { ReportLine(format, args); }

 private:
  void Send(WorkerRecord tag, const char* format, va_list args);
  int fd_;
};

// What one worker reported, decoded.
struct WorkerReport {
  std::vector<std::pair<WorkerRecord, std::string>> lines;  // the message lines, in order
  std::vector<std::string> textures;
  std::vector<std::string> loaded;
  std::vector<std::string> dependencies;
  bool finished = false;
};

// Decodes the records of `bytes`; a record cut short at the end is dropped.
WorkerReport DecodeWorkerRecords(std::string_view bytes);

// Tells the report's lines again through the process-wide message functions, each on its
// own channel and in their order, so that they print as the worker's sink would have and
// the run's record of the file takes them as its own.
void ReplayLines(const WorkerReport& report);

}  // namespace kln
