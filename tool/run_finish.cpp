#include "tool/run_finish.h"

#include <cstdio>

#include "el/appframe/app_frame.h"
#include "tool/run_report.h"
#include "tool/stop_signals.h"

namespace kln {

std::string SummaryLine(const RunJournal& journal) {
  RunCounts counts = journal.Counts();
  char line[256];
  std::snprintf(line, sizeof line, "kilnify: %d converted, %d up to date, %d excluded, %d failed, %d warnings in %.2f s%s",
                counts.converted, counts.upToDate, counts.excluded, counts.failed, counts.warnings, journal.Seconds(),
                journal.Interrupted() ? " (interrupted)" : "");
  return line;
}

int FinishRun(RunJournal& journal, const RunSettings& settings, int result) {
  int exitCode = result;
  if (int signal = StopSignal(); signal != 0) {
    exitCode = 128 + signal;
  } else if (result == 0 && settings.strict && journal.Counts().failed > 0) {
    exitCode = kExitStrictFailure;
  }
  journal.Finish(exitCode, StopRequested());
  if (!settings.reportFile.empty() && !WriteRunReport(journal, settings.reportFile)) {
    ErrorMessage("Cannot write the run report %s", settings.reportFile.c_str());
  }
  NoticeMessage("%s", SummaryLine(journal).c_str());
  return exitCode;
}

}  // namespace kln
