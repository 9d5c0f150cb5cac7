#pragma once
// The path of the running program's own file, in engine form ('\' separators).
#include <string>

std::string ModulePath();
