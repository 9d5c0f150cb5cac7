#pragma once
// Messages of the stream layer that name the place in the program that reports them,
// in the engine's "%s(%d) : %s" form (source file, line, text), on the error channel.

// Prints "<file>(<line>) : <text>" on the error channel; `file` is shortened to its
// last path component.
void ReportAtSource(const char* file, int line, const char* text);

#define KLN_REPORT_AT_SOURCE(text) ReportAtSource(__FILE__, __LINE__, (text))
