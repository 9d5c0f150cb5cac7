#include "el/qstream/stream_report.h"

#include <cstring>

#include "el/appframe/app_frame.h"

void ReportAtSource(const char* file, int line, const char* text) {
  const char* name = file ? file : "";
  if (const char* slash = std::strrchr(name, '/')) name = slash + 1;
  if (const char* backslash = std::strrchr(name, '\\')) name = backslash + 1;
  ErrorMessage("%s(%d) : %s", name, line, text);
}
