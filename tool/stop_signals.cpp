#include "tool/stop_signals.h"

#include <csignal>

namespace kln {
namespace {

volatile std::sig_atomic_t gStopSignal = 0;
struct sigaction gPreviousInterrupt;
struct sigaction gPreviousTerminate;

// Nothing but the note: the report is written by the run, never from here.
extern "C" void NoteStopSignal(int signal) { gStopSignal = signal; }

// Catches `signal` unless it was ignored when the process started (a job started in the
// background of a shell ignores SIGINT, and so does the run).
void Catch(int signal, struct sigaction& previous) {
  sigaction(signal, nullptr, &previous);
  if (previous.sa_handler == SIG_IGN) return;
  struct sigaction action {};
  action.sa_handler = NoteStopSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted reads and writes go on; the second signal finds the default action.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigaction(signal, &action, nullptr);
}

}  // namespace

StopSignals::StopSignals() {
  gStopSignal = 0;
  Catch(SIGINT, gPreviousInterrupt);
  Catch(SIGTERM, gPreviousTerminate);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &gPreviousInterrupt, nullptr);
  sigaction(SIGTERM, &gPreviousTerminate, nullptr);
}

int StopSignal() { return gStopSignal; }

}  // namespace kln
