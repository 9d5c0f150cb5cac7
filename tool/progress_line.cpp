#include "tool/progress_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace kln {
namespace {

constexpr int kDefaultWidth = 80;

int TerminalWidth(FILE* terminal) {
  winsize size{};
  if (::ioctl(fileno(terminal), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return kDefaultWidth;
}

std::string Elapsed(double seconds) {
  long whole = seconds > 0 ? static_cast<long>(seconds) : 0;
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

}  // namespace

bool WantsProgressLine() { return !NoLogs() && ::isatty(STDERR_FILENO) == 1; }

ProgressLine::ProgressLine(AppFrameFunctions& next, FILE* terminal, int width)
    : ForwardingSink(next), terminal_(terminal), width_(static_cast<size_t>(width > 0 ? width : TerminalWidth(terminal))) {}

ProgressLine::~ProgressLine() { Erase(); }

void ProgressLine::Show(int done, int queued, double seconds, std::string_view file) {
  if (!file.empty()) file_ = file;
  text_ = "[" + std::to_string(done) + " done, " + std::to_string(queued) + " queued, " + Elapsed(seconds) + "] " + file_;
  // The last column stays free: a line that fills it would wrap on some terminals.
  if (width_ > 1 && text_.size() > width_ - 1) text_.resize(width_ - 1);
  Erase();
  Draw();
}

void ProgressLine::Erase() {
  if (drawn_ == 0) return;
  std::string blank = "\r" + std::string(drawn_, ' ') + "\r";
  std::fwrite(blank.data(), 1, blank.size(), terminal_);
  std::fflush(terminal_);
  drawn_ = 0;
}

void ProgressLine::Draw() {
  if (text_.empty() || drawn_ != 0) return;
  std::fwrite(text_.data(), 1, text_.size(), terminal_);
  std::fflush(terminal_);
  drawn_ = text_.size();
}

}  // namespace kln
