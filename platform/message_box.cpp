#include "platform/message_box.h"

#include <unistd.h>

#include <cstdio>

bool ShowMessageBox(const char* text, const char* caption) {
  if (!::isatty(STDIN_FILENO)) return false;
  std::fprintf(stderr, "%s: %s\nPress Enter to continue.", caption, text);
  std::fflush(stderr);
  for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
  }
  std::fputc('\n', stderr);
  return true;
}
