// Seeds of the source world fuzz target: small worlds of every version with objects of
// every record form, written by our own writer, and a few broken ones.
#include <string>

#include "fuzz/seeds/seed_registry.h"
#include "lib/landscape/testing/source_world_writer.h"

namespace {

wrp::World SeedWorld(int version) {
  wrp::World world = wrp::MakeFlatWorld(version, 4, 8, 10.0f, 3.0f);
  for (size_t i = 0; i < world.heights.size(); ++i) world.heights[i] = static_cast<float>(i % 7) - 2.0f;
  world.textures.push_back({"data\\rock.paa", 2});
  world.textureIndices[5] = 1;
  for (int i = 0; i < 3; ++i)
    world.objects.push_back({i + 1, "data\\m" + std::to_string(i) + ".p3d",
                             wrp::PlacedAt(5.0f + 10.0f * static_cast<float>(i), 2.0f, 7.0f), 0.5f, 1.5f, 0.0f, 0.0f});
  return world;
}

int WriteSourceWorldSeeds(const std::filesystem::path& folder) {
  int written = 0;
  for (int version = 2; version <= 8; ++version)
    written += WriteSeed(folder, "v" + std::to_string(version), wrp::WriteWorld(SeedWorld(version)));
  wrp::World open = SeedWorld(8);
  open.terminated = false;
  written += WriteSeed(folder, "v8_unterminated", wrp::WriteWorld(open));
  wrp::World bad = SeedWorld(5);
  bad.textureIndices[2] = 513;
  bad.objects.push_back({2, "data\\twice.p3d", wrp::PlacedAt(1, 1, 1)});
  written += WriteSeed(folder, "v5_bad_texture_duplicate_id", wrp::WriteWorld(bad));
  wrp::World odd = SeedWorld(8);
  odd.landHeight = 2;
  odd.textureIndices.resize(8);
  written += WriteSeed(folder, "v8_not_rectangular", wrp::WriteWorld(odd));
  wrp::World empty = wrp::MakeFlatWorld(6, 1, 1, 10.0f);
  written += WriteSeed(folder, "v6_one_cell", wrp::WriteWorld(empty));
  return written;
}

SeedRegistration sourceWorldSeeds("landscape_source_world", WriteSourceWorldSeeds);

}  // namespace
