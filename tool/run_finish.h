#pragma once
// The end of a conversion run: the exit code, the run report and the summary line.
//
// Exit codes: 0 after a run, 1 when a configuration below the addon or source folder does
// not parse, 2 for a wrong command line (before any run starts); with -strict, 3 when any
// file failed; 128 + the signal number (130 for SIGINT, 143 for SIGTERM) when a signal
// stopped the run.
//
// The summary line goes to standard error (not with -noLogs):
//   kilnify: 12 converted, 3 up to date, 1 excluded, 2 failed, 4 warnings in 1.23 s
// with " (interrupted)" appended when a signal stopped the run.
#include <string>

#include "tool/run_journal.h"
#include "tool/run_settings.h"

namespace kln {

constexpr int kExitStrictFailure = 3;

// The summary line of the journal, without a line end.
std::string SummaryLine(const RunJournal& journal);

// Finishes the journal of a run that ended with `result` (0 or 1), writes the report when
// one was asked for, prints the summary line and returns the exit code.
int FinishRun(RunJournal& journal, const RunSettings& settings, int result);

}  // namespace kln
