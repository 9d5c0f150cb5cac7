#include "tool/run_report.h"

#include <ctime>
#include <nlohmann/json.hpp>

#include "el/qstream/qo_file_stream.h"
#include "platform/command_line.h"
#include "platform/host_file.h"
#include "platform/latin1.h"
#include "tool/file_paths.h"
#include "tool/tool_version.h"

namespace kln {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kReportVersion = 1;

// The length of the UTF-8 sequence at `pos`, 0 when none starts there.
size_t Utf8SequenceAt(std::string_view text, size_t pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || text.size() - pos < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return 0;
  }
  // Overlong forms and values beyond U+10FFFF are no UTF-8.
  if (length == 2 && lead < 0xC2) return 0;
  if (length == 3 && lead == 0xE0 && byte(pos + 1) < 0xA0) return 0;
  if (length == 3 && lead == 0xED && byte(pos + 1) >= 0xA0) return 0;
  if (length == 4 && (lead > 0xF4 || (lead == 0xF0 && byte(pos + 1) < 0x90) || (lead == 0xF4 && byte(pos + 1) >= 0x90)))
    return 0;
  return length;
}

// Names come from the engine's ANSI world: valid UTF-8 stays, anything else is read as
// Latin-1 so that no byte is lost.
std::string ReportText(std::string_view text) {
  bool valid = true;
  for (size_t pos = 0; pos < text.size() && valid;) {
    size_t length = Utf8SequenceAt(text, pos);
    valid = length > 0;
    pos += length;
  }
  return valid ? std::string(text) : Latin1AsUtf8(text);
}

const char* SeverityName(MessageSeverity severity) {
  switch (severity) {
    case MessageSeverity::kInfo: return "info";
    case MessageSeverity::kWarning: return "warning";
    case MessageSeverity::kError: return "error";
  }
  return "error";
}

std::string UtcTime(std::chrono::system_clock::time_point time) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(time);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

Json RunObject(const RunJournal& journal) {
  Json arguments = Json::array();
  for (const std::string& argument : journal.Arguments()) arguments.push_back(ReportText(argument));
  RunCounts counts = journal.Counts();
  return Json{{"tool", "kilnify"},
              {"revision", kRevision},
              {"commandLine", ReportText(JoinCommandLine(journal.Arguments()))},
              {"arguments", std::move(arguments)},
              {"workDrive", ReportText(WorkDriveRoot())},
              {"mounts", Json::array()},
              {"startTime", UtcTime(journal.StartTime())},
              {"duration", journal.Seconds()},
              {"interrupted", journal.Interrupted()},
              {"exitCode", journal.ExitCode()},
              {"counts",
               {{"converted", counts.converted},
                {"up-to-date", counts.upToDate},
                {"excluded", counts.excluded},
                {"failed", counts.failed},
                {"warnings", counts.warnings},
                {"errors", counts.errors}}}};
}

Json MessageObject(const FileMessage& message) {
  Json object{{"severity", SeverityName(message.severity)}, {"text", ReportText(message.text)}};
  if (!message.file.empty()) {
    object["file"] = ReportText(message.file);
    object["line"] = message.line;
  }
  return object;
}

Json FileObject(const FileRecord& file) {
  Json textures = Json::array();
  for (const std::string& texture : file.textures) textures.push_back(ReportText(texture));
  Json messages = Json::array();
  for (const FileMessage& message : file.messages) messages.push_back(MessageObject(message));
  return Json{{"source", ReportText(file.source)},
              {"destination", ReportText(file.destination)},
              {"kind", FileKindName(file.kind)},
              {"action", FileActionName(file.action)},
              {"duration", file.seconds},
              {"outputSize", file.outputSize ? Json(*file.outputSize) : Json(nullptr)},
              {"textures", std::move(textures)},
              {"messages", std::move(messages)}};
}

}  // namespace

std::string RunReportText(const RunJournal& journal) {
  Json files = Json::array();
  for (const FileRecord& file : journal.Files()) files.push_back(FileObject(file));
  Json report{{"reportVersion", kReportVersion}, {"run", RunObject(journal)}, {"files", std::move(files)}};
  return report.dump(2) + "\n";
}

bool WriteRunReport(const RunJournal& journal, const RString& path) {
  std::string text = RunReportText(journal);
  CreateDestinationFolders(path);
  QOFStream out;
  if (!out.OpenAtomic(path)) return false;
  out.write(text.data(), text.size());
  return out.Close();
}

}  // namespace kln
