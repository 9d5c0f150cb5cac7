#include "sample/sample_models.h"

// The source model and world writers are not built yet; until they are, the sample holds
// files of the right names whose contents only say what they stand for.
std::string SampleModel(const std::string& name) { return "sample model " + name + "\n"; }

std::string SampleWorld() { return "sample world\n"; }
