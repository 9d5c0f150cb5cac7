// kiln copytextures: the texture copies that end a converter run, for separate conversions.
#include "tool/kiln/kiln_command.h"
#include "tool/texture_copy_run.h"

namespace kiln {

int RunCopyTextures(const std::vector<std::string>& args) { return kln::RunTextureCopy(args); }

}  // namespace kiln
