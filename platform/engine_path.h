#pragma once
// Paths inside the program keep the engine's form: '\' separates folders, as in messages
// and stored files. Only where a path reaches the operating system is it mapped to '/'.
#include <string>
#include <string_view>

// The host form of an engine path: every '\' becomes '/'.
std::string ToHostPath(std::string_view enginePath);

// The engine form of a host path: every '/' becomes '\'.
std::string ToEnginePath(std::string_view hostPath);
