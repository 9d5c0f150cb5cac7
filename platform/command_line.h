#pragma once
// The process command line as one text, and splitting it into arguments.
//
// The engine sees its command line as a single text, the way the program was started
// from a command prompt. On this platform the text is built from argv with the usual
// quoting (arguments holding blanks or double quotes are quoted; backslashes before a
// quote are doubled), and split back with the same rules, so that a join followed by a
// split gives the arguments unchanged.
#include <string>
#include <string_view>
#include <vector>

// Joins arguments into one command line, quoting where needed.
std::string JoinCommandLine(const std::vector<std::string>& args);

// Splits a command line into arguments:
// - blanks (space, tab) separate arguments outside double quotes;
// - a double quote toggles quoting; inside quotes, "" gives one literal quote;
// - 2n backslashes before a quote give n backslashes and the quote acts as a quote;
//   2n+1 backslashes before a quote give n backslashes and a literal quote;
// - backslashes not before a quote are literal;
// - the first argument (the program name) ends at the first blank outside quotes and
//   takes quotes literally apart from removing them, backslashes included.
std::vector<std::string> SplitCommandLine(std::string_view line);
