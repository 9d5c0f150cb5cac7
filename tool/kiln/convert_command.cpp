// kiln convert: one model, world or animation converted with the converter's start-up.
#include "tool/kiln/kiln_command.h"
#include "tool/single_conversion.h"

namespace kiln {

int RunConvert(const std::vector<std::string>& args) { return kln::RunSingleConversion(args); }

}  // namespace kiln
