#pragma once
// One file the walk hands to a conversion step.
#include "el/qstream/basic_types.h"

namespace kln {

struct ConversionEntry {
  RString source;       // path of the source file, as the walk formed it
  RString destination;  // path the converted file is written to
};

}  // namespace kln
