#include "tests/support/json_schema_check.h"

#include "tests/support/run_program.h"

namespace {

// Debian's interpreter, which has the python3-jsonschema package; another one on the
// path may not.
std::filesystem::path Python() {
  std::filesystem::path debian = "/usr/bin/python3";
  return std::filesystem::exists(debian) ? debian : std::filesystem::path("/usr/bin/env");
}

std::filesystem::path SourceDir() {
#ifdef KILNIFY_SOURCE_DIR
  return KILNIFY_SOURCE_DIR;
#else
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
#endif
}

}  // namespace

std::filesystem::path RunReportSchema() { return SourceDir() / "docs/run-report.schema.json"; }

std::string SchemaViolations(const std::filesystem::path& schema, const std::filesystem::path& document) {
  std::filesystem::path script = SourceDir() / "tests/support/validate_json.py";
  std::vector<std::string> args = {script.string(), schema.string(), document.string()};
  std::filesystem::path python = Python();
  if (python.filename() == "env") args.insert(args.begin(), "python3");
  ProgramResult result = RunProgram(python, args);
  if (result.exitCode == 0) return "";
  std::string text = result.err.empty() ? result.out : result.err;
  return text.empty() ? "the validator failed with exit code " + std::to_string(result.exitCode) : text;
}
