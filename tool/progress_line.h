#pragma once
// The progress of a run on a terminal: one line on standard error, rewritten in place
// ("\r"), that shows the files done, the files queued, the time since the start and the
// file at hand:
//   [12 done, 5 queued, 0:03] src\data\crate.p3d
// It is cut to the terminal's width so that it never wraps. As a sink in front of the
// printing sink it erases itself before every message line and draws itself again after
// it, so that it never mixes with the log.
#include <cstdio>
#include <string>
#include <string_view>

#include "el/appframe/forwarding_sink.h"

namespace kln {

// True when a progress line is wanted: standard error is a terminal and logs are on.
bool WantsProgressLine();

class ProgressLine : public ForwardingSink {
 public:
  // `terminal`: the stream the line is drawn on; `width`: its columns (0: asked of the
  // terminal, 80 when it does not say).
  ProgressLine(AppFrameFunctions& next, FILE* terminal, int width = 0);
  // Erases the line.
  ~ProgressLine() override;
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Draws the line anew; an empty `file` keeps the file shown last.
  void Show(int done, int queued, double seconds, std::string_view file);

 protected:
  void BeforeLine() override { Erase(); }
  void AfterLine() override { Draw(); }

 private:
  void Erase();
  void Draw();

  FILE* terminal_;
  size_t width_;
  std::string text_;     // the line as last shown
  std::string file_;     // the file shown last
  size_t drawn_ = 0;     // characters on the terminal now
};

}  // namespace kln
