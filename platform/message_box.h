#pragma once
// A message that waits for the user: a prompt on the terminal.
//
// There are no windows here; when standard input is a terminal the message is printed
// on standard error and the program waits for Enter. Without a terminal (build scripts,
// CI) nobody could answer, so nothing is shown and nothing waited for.

// Shows `text` under `caption` and waits for the user; false when it could not be shown.
bool ShowMessageBox(const char* text, const char* caption);
