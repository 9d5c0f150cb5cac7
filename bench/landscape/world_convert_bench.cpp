// Converting a large source world with build/kilnify: a 1024 x 1024 land grid over a
// 4096 x 4096 terrain of float heights, with 200,000 objects placed from 50 distinct
// models. Compared with a floor pass that reads the source file, LZO-compresses as many
// bytes as the converted world holds and writes them (goal: at most 3x its time), and the
// converter's peak memory against the source file size (goal: at most 3x it plus 128 MB).
#include <lzo/lzo1x.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/support/timed_run.h"
#include "lib/landscape/testing/source_world_writer.h"
#include "lib/shape/testing/mlod_writer.h"


namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kLandWidth = 1024;
constexpr int kTerrainWidth = 4096;
constexpr float kCellSize = 40.0f;
constexpr int kObjects = 200000;
constexpr int kModels = 50;
const char* const kMapTypes[] = {"tree", "bush", "house", "rock", "road", "forest", "church", "wall", "hide", "fence"};

// Models of several map types, each a small grid with a geometry level.
void WriteModels(const fs::path& folder) {
  for (int i = 0; i < kModels; ++i) {
    mlod::Model model;
    const int size = 2 + i % 7;
    model.lods.push_back(mlod::MakeGridLod(size, size, 1.0f, "data\\bench_co.paa"));
    model.lods.push_back(mlod::MakeGridLod(2, 2, 2.0f, "data\\bench_co.paa"));
    mlod::Lod geometry = mlod::MakeGridLod(size, size, 1e13f, "");
    geometry.AddProperty("map", kMapTypes[i % 10]);
    geometry.AddMasses(std::vector<float>(geometry.points.size(), 20.0f));
    model.lods.push_back(geometry);
    if (std::string(kMapTypes[i % 10]) == "road") {
      mlod::Lod memory;
      memory.resolution = 1e15f;
      memory.points.push_back({{0.0f, 0.0f, 0.0f}, 0});
      memory.points.push_back({{0.0f, 0.0f, static_cast<float>(size)}, 0});
      memory.AddSelectionOf("connect1", {0}, {});
      memory.AddSelectionOf("connect2", {1}, {});
      model.lods.push_back(memory);
    }
    mlod::WriteModelFile(model, folder / ("m" + std::to_string(i) + ".p3d"));
  }
}

wrp::World LargeWorld() {
  wrp::World world = wrp::MakeFlatWorld(8, kLandWidth, kTerrainWidth, kCellSize);
  world.textures = {{"data\\grass.paa", 0}, {"data\\sand.paa", 1}, {"data\\rock.paa", 2}, {"data\\forest.paa", 3}};
  const float spacing = kLandWidth * kCellSize / kTerrainWidth;
  uint32_t noise = 12345;
  for (int z = 0; z < kTerrainWidth; ++z) {
    for (int x = 0; x < kTerrainWidth; ++x) {
      const float fx = static_cast<float>(x) * spacing, fz = static_cast<float>(z) * spacing;
      noise = noise * 1664525u + 1013904223u;
      world.heights[static_cast<size_t>(z) * kTerrainWidth + x] =
          60.0f + 50.0f * std::sin(fx * 0.0007f) * std::cos(fz * 0.0009f) +
          25.0f * std::sin(fx * 0.003f + fz * 0.002f) + static_cast<float>(noise >> 24) * 0.01f;
    }
  }
  for (size_t i = 0; i < world.textureIndices.size(); ++i)
    world.textureIndices[i] = static_cast<uint16_t>((i / 7 + i / 3000) % 4);
  world.objects.reserve(kObjects);
  const float size = kLandWidth * kCellSize;
  for (int i = 0; i < kObjects; ++i) {
    noise = noise * 1664525u + 1013904223u;
    const float x = static_cast<float>(noise >> 8) / 16777216.0f * size;
    noise = noise * 1664525u + 1013904223u;
    const float z = static_cast<float>(noise >> 8) / 16777216.0f * size;
    world.objects.push_back({i + 1, "models\\m" + std::to_string(i % kModels) + ".p3d",
                             wrp::PlacedAt(x, 60.0f, z, static_cast<float>(i % 628) * 0.01f), 0, 0, 0, 0});
  }
  return world;
}

std::vector<unsigned char> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Reads the source, LZO-compresses `outputSize` bytes of it (repeated when the output is
// the larger) and writes them.
double FloorPass(const fs::path& source, uintmax_t outputSize, const fs::path& target) {
  auto start = Clock::now();
  std::vector<unsigned char> bytes = ReadFile(source);
  std::vector<unsigned char> input(outputSize);
  for (size_t done = 0; done < input.size() && !bytes.empty();) {
    const size_t n = std::min(bytes.size(), input.size() - done);
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n),
              input.begin() + static_cast<std::ptrdiff_t>(done));
    done += n;
  }
  std::vector<unsigned char> work(LZO1X_1_MEM_COMPRESS);
  std::vector<unsigned char> packed(input.size() + input.size() / 16 + 64 + 3);
  lzo_uint packedSize = 0;
  lzo1x_1_compress(input.data(), input.size(), packed.data(), &packedSize, work.data());
  std::ofstream(target, std::ios::binary)
      .write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packedSize));
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs the converter in `root` (model names are relative to it); its time and peak memory.
bool Convert(const fs::path& converter, const fs::path& root, double& seconds, long& peakKilobytes) {
  fs::create_directories(root / "addon");
  const TimedRun run = RunTimed({converter.string(), "-noLogs", "-always", "-addon=addon", "src", "dst"}, root);
  seconds = run.seconds;
  peakKilobytes = run.peakKilobytes;
  return run.ok;
}

}  // namespace

// world_convert_bench [--keep] [CONVERTER]: --keep leaves the generated tree in the
// temporary folder (for profiling the converter on it).
int main(int argc, char** argv) {
  if (lzo_init() != LZO_E_OK) return 1;
  bool keep = false;
  fs::path converter = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "kilnify";
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--keep")
      keep = true;
    else
      converter = fs::absolute(argv[i]);
  }
  const fs::path root = fs::temp_directory_path() / "kilnify-world-bench";
  fs::remove_all(root);
  WriteModels(root / "models");
  if (!wrp::WriteWorldFile(LargeWorld(), root / "src" / "large.wrp")) {
    std::fprintf(stderr, "cannot write the source world\n");
    return 1;
  }
  const uintmax_t sourceSize = fs::file_size(root / "src" / "large.wrp");
  std::printf("source world: %.1f MB (%dx%d land grid, %dx%d float terrain, %d objects over %d models)\n",
              sourceSize / 1048576.0, kLandWidth, kLandWidth, kTerrainWidth, kTerrainWidth, kObjects, kModels);

  double seconds = 0;
  long peak = 0;
  if (!Convert(converter, root, seconds, peak) || !fs::exists(root / "dst" / "large.wrp")) {
    std::fprintf(stderr, "conversion failed\n");
    fs::remove_all(root);
    return 1;
  }
  const uintmax_t outputSize = fs::file_size(root / "dst" / "large.wrp");
  const double floor = FloorPass(root / "src" / "large.wrp", outputSize, root / "floor.bin");
  std::printf("converted world: %.1f MB\n", outputSize / 1048576.0);
  std::printf("floor pass (read, LZO-compress %.1f MB, write): %.2f s\n", outputSize / 1048576.0, floor);
  std::printf("conversion: %.2f s = %.2fx the floor pass (goal: at most 3x)\n", seconds, seconds / floor);
  const double peakMb = peak / 1024.0, sourceMb = sourceSize / 1048576.0;
  std::printf("peak memory: %.1f MB = %.2fx the source + %.1f MB; goal 3x + 128 MB = %.1f MB (%s)\n", peakMb,
              peakMb / sourceMb, peakMb - 3.0 * sourceMb, 3.0 * sourceMb + 128.0,
              peakMb <= 3.0 * sourceMb + 128.0 ? "within goal" : "over goal");
  if (!keep) fs::remove_all(root);
  return 0;
}
