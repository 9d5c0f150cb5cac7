#include "el/qstream/stream_report.h"

#include "el/appframe/app_frame.h"

void ReportAtSource(const char* source, int line, const char* text) {
  ErrorMessage("%s(%d) : %s", source ? source : "", line, text);
}
