#pragma once
// Messages that name the place in the program that reports them, in the engine's
// "%s(%d) : %s" form (source file, line, text), on the error channel.

// Prints "<source>(<line>) : <text>" on the error channel, `source` as given (an engine
// source path such as "lib/shape/shape").
void ReportAtSource(const char* source, int line, const char* text);

// The name of a file of this program without its folders, for __FILE__.
constexpr const char* SourceFileName(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '/' || *p == '\\') name = p + 1;
  return name;
}

#define KLN_REPORT_AT_SOURCE(text) ReportAtSource(SourceFileName(__FILE__), __LINE__, (text))
