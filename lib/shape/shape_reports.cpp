#include "lib/shape/shape_reports.h"

#include "el/qstream/stream_report.h"

namespace {
// The model loader reports under this source name.
constexpr const char* kShapeSource = "lib/shape/shape";
}  // namespace

void ReportVeryOldObject() { ReportAtSource(kShapeSource, 8154, "Very old object loaded."); }

void ReportShapeFileReadError() { ReportAtSource(kShapeSource, 8070, "File read error"); }
