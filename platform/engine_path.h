#pragma once
// Paths inside the program keep the engine's form: '\' separates folders, as in messages
// and stored files. Only where a path reaches the operating system is it mapped to '/'.
#include <string>
#include <string_view>

// The host form of an engine path: every '\' becomes '/'.
std::string ToHostPath(std::string_view enginePath);

// The engine form of a host path: every '/' becomes '\'.
std::string ToEnginePath(std::string_view hostPath);

// Checks of names that come from data or the command line, before they are used to read or
// write. Both '\' and '/' separate components here, since either reaches the host as one.

// True when some component of `enginePath` is "..".
bool HasParentStep(std::string_view enginePath);

// True when the ".." components of `enginePath` lead above the folder it starts from (for
// a path beginning with a separator, above the root): "a\..\..\b" climbs, "a\..\b" does not.
bool ClimbsAboveRoot(std::string_view enginePath);

// True when `enginePath` names something below `engineFolder` (compared byte for byte,
// after the folder's trailing separators) without climbing out of it again.
bool IsInsideFolder(std::string_view enginePath, std::string_view engineFolder);
