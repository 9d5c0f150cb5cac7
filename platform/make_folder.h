#pragma once
// Creating one folder.
#include <string_view>

// Creates the folder `enginePath` names; false when it could not be created (an existing
// folder also gives false, as on the engine's original platform).
bool MakeFolder(std::string_view enginePath);
