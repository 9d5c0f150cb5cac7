// The -hashCheck state file as read from a destination folder: any bytes parse or are
// refused without a crash, and what parses is written back to a text that parses to the
// same text again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tool/hash_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kln::HashState state;
  if (!state.Parse(std::string(reinterpret_cast<const char*>(data), size))) return 0;
  const std::string text = state.Format();
  kln::HashState again;
  if (!again.Parse(text) || again.Format() != text) std::abort();
  return 0;
}
