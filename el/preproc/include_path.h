#pragma once
// Engine paths of included files.
#include <string_view>

#include "el/qstream/basic_types.h"

// The folder of `path` with its trailing separator: everything up to the last '\', or
// failing that the last '/'; empty when there is neither.
RString FolderOf(std::string_view path);

// The engine path ('\' separators) of the file that `#include name` in `includingFile`
// names. An included file is searched in the folder of the including file; a name that
// begins with '\' (or '/') is a work path from the root instead (found through the mounts
// and the work drive, see FilePreprocessor::FindInclude).
RString IncludePath(std::string_view includingFile, std::string_view name);

// `path` with '.' steps and "folder\.." pairs removed and separators made single.
RString NormalizeEnginePath(std::string_view path);
