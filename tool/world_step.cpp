#include "tool/world_step.h"

#include "el/appframe/app_frame.h"

namespace kln {

void ConvertWorld(RunSettings&, const ConversionEntry& entry) {
  LogMessage("Convert world %s -> %s", entry.source.c_str(), entry.destination.c_str());
  LogMessage("<world = \"%s\">", entry.source.c_str());
  // The world reader and writer are not part of this build yet: say so, write nothing.
  ErrorMessage("World %s cannot be converted yet: this build has no world converter", entry.source.c_str());
  LogMessage("</world>");
}

}  // namespace kln
