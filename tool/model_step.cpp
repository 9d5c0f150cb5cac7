#include "tool/model_step.h"

#include "el/appframe/app_frame.h"

namespace kln {

void ConvertModel(RunSettings&, const ConversionEntry& entry) {
  LogMessage("Convert model %s -> %s", entry.source.c_str(), entry.destination.c_str());
  LogMessage("<model = \"%s\">", entry.source.c_str());
  // The model reader and writer are not part of this build yet: say so, write nothing.
  ErrorMessage("Model %s cannot be converted yet: this build has no model converter", entry.source.c_str());
  LogMessage("</model>");
}

}  // namespace kln
