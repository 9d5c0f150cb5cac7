#include "lib/shape/shape_reports.h"

#include "el/appframe/app_frame.h"
#include "el/qstream/stream_report.h"

namespace {
// The model loader reports under this source name.
constexpr const char* kShapeSource = "lib/shape/shape";
}  // namespace

// The file loads all the same: the line reports no problem, so it goes out as a notice
// (same channel and text as the error form).
void ReportVeryOldObject() { NoticeMessage("%s(%d) : %s", kShapeSource, 8154, "Very old object loaded."); }

void ReportShapeFileReadError() { ReportAtSource(kShapeSource, 8070, "File read error"); }
