#pragma once
// Stopping a run in order: SIGINT and SIGTERM only note that they arrived; the walk stops
// before its next file (the file at hand is finished, its output written whole or not at
// all), and the run ends with its report and summary. A second signal ends the process at
// once, as if no handler were installed. A signal the process was started ignoring stays
// ignored.
namespace kln {

class StopSignals {
 public:
  // Installs the handlers and forgets any signal noted before.
  StopSignals();
  // Restores the handlers that were installed before.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
};

// The signal that asked the run to stop, 0 when none did.
int StopSignal();
inline bool StopRequested() { return StopSignal() != 0; }

}  // namespace kln
