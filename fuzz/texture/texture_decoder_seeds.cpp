// Seeds of the level decoder: textures that pressmill writes in every format it writes,
// and generated textures of every format, each with the selector of one of its levels.
#include <cstdlib>

#include "fuzz/seeds/seed_registry.h"
#include "lib/texture/pressmill/paa_writer.h"
#include "lib/texture/testing/pac_file_builder.h"

namespace {

char Selector(bool isPaa, int level) { return static_cast<char>((isPaa ? 1 : 0) | (level & 15) << 1); }

int WriteDecoderSeeds(const std::filesystem::path& folder) {
  int written = 0;
  RgbaImage image{8, 8, {}};
  for (int i = 0; i < 64; ++i)
    image.pixels.insert(image.pixels.end(), {uint8_t(i * 4), uint8_t(255 - i * 4), uint8_t(i * 37), uint8_t(i * 9)});
  for (const char* format : {"DXT1", "DXT5", "8888", "4444", "1555", "88"}) {
    std::vector<TextureRule> rules;
    std::string bytes, note, error;
    if (!ParseTextureRules(std::string("* ") + format + "\n", "seed", rules, error) ||
        !EncodePaa(image, rules[0], bytes, note, error))
      std::abort();
    for (int level : {0, 1, 3})
      written += WriteSeed(folder, std::string("pressmill_") + format + "_" + std::to_string(level),
                           Selector(true, level) + bytes);
  }
  int index = 0;
  for (const textest::PacVariant& variant : textest::AllPacVariants()) {
    if (index++ % 3 != 0) continue;
    const std::string bytes = textest::BuildPacFile(variant.recipe).bytes;
    const int level = static_cast<int>(variant.recipe.levels.size()) - 1;
    written += WriteSeed(folder, variant.name, Selector(variant.recipe.format != 0, level) + bytes);
  }
  return written;
}

SeedRegistration decoderSeeds("texture_decoder", WriteDecoderSeeds);

}  // namespace
