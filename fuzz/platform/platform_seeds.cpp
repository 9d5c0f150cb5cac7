// Seeds of the prefix-text target: prefix files as addons hold them, and names from data.
#include "fuzz/seeds/seed_registry.h"

namespace {

int WritePrefixSeeds(const std::filesystem::path& folder) {
  const std::vector<std::string> texts = {
      "\\x\\mymod\\addons\\main\r\n",
      "\n  \n\t x\\mymod\\addons\\tools \r\nsecond line\n",
      "/x/mymod/addons/main/data/crate_co.paa",
      "\\X\\MyMod\\..\\..\\..\\etc\\passwd",
      "a\\.\\b\\\\c\\..\\d",
      "\\x\\m\r\r\rymodmain\r\n",
  };
  int written = 0;
  for (size_t i = 0; i < texts.size(); ++i) written += WriteSeed(folder, "prefix_" + std::to_string(i), texts[i]);
  return written;
}

SeedRegistration prefixSeeds("prefix_text", WritePrefixSeeds);

}  // namespace
