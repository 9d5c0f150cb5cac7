// Seeds of the message-origin fuzz target: texts in the forms the parser and the engine
// print, and some that only look like them.
#include <cstdio>
#include <string>

#include "fuzz/seeds/seed_registry.h"

namespace {

int WriteMessageOriginSeeds(const std::filesystem::path& folder) {
  char configuration[256];
  std::snprintf(configuration, sizeof configuration, "File %s, line %d: %s", "data\\config.cpp", 12,
                "data\\config.cpp/CfgPatches: Missing '}'");
  char engine[256];
  std::snprintf(engine, sizeof engine, "%s(%d) : %s", "lib/shape/shape", 8070, "File read error");
  const std::string seeds[] = {configuration, engine, "Warning: Unsupported UVSet 5",
                               "File a, line b.cpp, line 3: Warning: x", "x (copy)(7) : (8) : text"};
  int written = 0;
  for (const std::string& seed : seeds) written += WriteSeed(folder, "message_" + std::to_string(written), seed);
  return written;
}

SeedRegistration messageOriginSeeds("message_origin", WriteMessageOriginSeeds);

}  // namespace
