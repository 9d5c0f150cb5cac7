#pragma once
// The run report (-report=FILE): one JSON document about a conversion run, written at its
// end (also when it was interrupted). docs/run-report.schema.json describes it:
//   reportVersion  1
//   run            tool, revision, commandLine, arguments, workDrive, mounts (the file
//                  banks mounted for the run; none yet, so always empty), startTime (UTC,
//                  ISO 8601), duration (seconds), interrupted, exitCode, counts (files by
//                  action, and the warnings and errors of all files)
//   files          one record per file of a known kind the walk met, in the order the
//                  walk decided them: source, destination, kind, action, duration,
//                  outputSize (null when the step wrote nothing), textures, messages
//                  (severity, text, and file and line where the message names them)
// Texts are UTF-8: a name that is no valid UTF-8 is read as Latin-1.
#include <string>

#include "el/qstream/basic_types.h"
#include "tool/run_journal.h"

namespace kln {

// The report as JSON text, ending in a line end.
std::string RunReportText(const RunJournal& journal);

// Writes the report to `path` (engine or host form; its folders are created) through a
// temporary file renamed into place; false when it could not be written.
bool WriteRunReport(const RunJournal& journal, const RString& path);

}  // namespace kln
