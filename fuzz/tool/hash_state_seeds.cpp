// Seeds of the state-file fuzz target: states the converter itself formats.
#include "fuzz/seeds/seed_registry.h"
#include "tool/hash_state.h"

namespace {

int WriteHashStateSeeds(const std::filesystem::path& folder) {
  kln::HashState empty;
  empty.Load("no-such-state-file", "rev1 bones=55");
  int written = WriteSeed(folder, "empty.state", empty.Format());
  written += WriteSeed(folder, "entries.state",
                       "kilnify-state 1\nkey rev1/0123456789abcdef bones=55 gx1=0\n"
                       "out dst\\a.p3d\nin 0123456789abcdef src/config.cpp\nin fedcba9876543210 src/a.p3d\n"
                       "tex data\\a_co.paa\nout dst\\b.wrp\nin 00000000000000ff src/b.wrp\nend\n");
  return written;
}

SeedRegistration hashStateSeeds("hash_state", WriteHashStateSeeds);

}  // namespace
