// Finding the file and line a message names, and its severity, on any text: the names in
// messages come from the data. The origin found must lie inside the text.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "el/appframe/message_capture.h"
#include "el/appframe/message_origin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (std::optional<MessageOrigin> origin = FindMessageOrigin(text)) {
    bool inside = origin->rest.data() >= text.data() && origin->rest.data() + origin->rest.size() <= text.data() + size;
    if (origin->file.empty() || origin->line < 0 || origin->file.size() >= size || !inside) std::abort();
  }
  ClassifyMessage(MessageSeverity::kError, text);
  return 0;
}
