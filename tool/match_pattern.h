#pragma once
// Exclusion patterns: a leading and/or trailing '*' around a piece of text.
#include <string_view>

#include "tool/run_settings.h"

namespace kln {

// True when the lower-case `pattern` matches `text`:
// "*" matches everything; a pattern equal to the text (ignoring case) matches;
// "*piece*" matches a text containing piece; "*suffix" a text ending in it; "prefix*" a
// text beginning with the part before the first '*'; any other pattern nothing.
bool MatchPattern(std::string_view pattern, std::string_view text);

// True when a pattern of the exclusion list matches the name or the path.
bool IsExcluded(const RunSettings& settings, std::string_view name, std::string_view path);

}  // namespace kln
