// The texture-headers mode (walk, header reads, "texHeaders.bin" saved) over 10,000
// generated textures, against opening each texture and reading its first 4 KiB from a
// list made beforehand. Goal: the mode costs at most 1.5 times the plain reads.
//
// The tree: 100 folders of 100 textures of several formats and sizes, with and without
// the offsets block (so that some headers are found by walking the mipmaps). Both sides
// run on a warm file cache; the ratio is reported by BM_ModeAgainstReads ("ratio").
//
// The phases of the mode are measured on their own as well: listing the folders, reading
// every header, and saving the file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "el/appframe/app_frame.h"
#include "lib/texture/pac_format.h"
#include "lib/texture/testing/pac_file_builder.h"
#include "lib/texture/texture_file_stream.h"
#include "lib/texture/texture_header_manager.h"
#include "lib/texture/texture_headers_mode.h"
#include "lib/texture/texture_source_pac.h"
#include "platform/engine_path.h"
#include "platform/file_search.h"

namespace {

constexpr int kFolders = 100;
constexpr int kTexturesPerFolder = 100;

struct Tree {
  std::filesystem::path root;
  std::vector<std::string> textures;  // host paths of every texture
  std::vector<std::string> folders;   // host paths of the folders that hold them
};

const Tree& Textures() {
  static const Tree tree = [] {
    Tree t;
    t.root = std::filesystem::temp_directory_path() / "kilnify-texture-bench";
    std::filesystem::remove_all(t.root);
    const int formats[] = {PacDXT1, PacDXT5, PacDXT1, PacARGB4444, PacDXT1, PacARGB8888};
    const int sides[] = {32, 64, 128, 64};
    for (int folder = 0; folder < kFolders; ++folder) {
      const std::filesystem::path dir =
          t.root / "src" / ("addon" + std::to_string(folder / 10)) / ("Data" + std::to_string(folder));
      std::filesystem::create_directories(dir);
      t.folders.push_back(dir.string());
      for (int i = 0; i < kTexturesPerFolder; ++i) {
        const int n = folder * kTexturesPerFolder + i;
        textest::PacFileRecipe recipe;
        recipe.format = formats[n % 6];
        recipe.averageColor = 0xFF000000u | static_cast<uint32_t>(n);
        recipe.maxColor = 0xFFFFFFFF;
        recipe.flags = static_cast<uint32_t>(n % 3);
        recipe.offsets = n % 5 != 0;
        const int side = sides[n % 4];
        recipe.levels = textest::HalvingLevels(side, side, 8);
        const std::filesystem::path file = dir / ("Tex_" + std::to_string(n) + (n % 7 ? "_co.paa" : "_ca.pac"));
        std::ofstream(file, std::ios::binary) << textest::BuildPacFile(recipe).bytes;
        t.textures.push_back(file.string());
      }
    }
    std::filesystem::create_directories(t.root / "dst");
    return t;
  }();
  return tree;
}

void ReadStartOfEveryTexture(const Tree& tree) {
  char buffer[4096];
  for (const std::string& path : tree.textures) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    benchmark::DoNotOptimize(::read(fd, buffer, sizeof buffer));
    ::close(fd);
  }
}

void RunMode(const Tree& tree) {
  SetNoLogs(true);
  kln::RunTextureHeaders({}, (tree.root / "src").string(), (tree.root / "dst").string());
  SetNoLogs(false);
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void BM_ReadStartOfEveryTexture(benchmark::State& state) {
  const Tree& tree = Textures();
  for (auto _ : state) ReadStartOfEveryTexture(tree);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(tree.textures.size()));
}

void BM_TextureHeadersMode(benchmark::State& state) {
  const Tree& tree = Textures();
  for (auto _ : state) RunMode(tree);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(tree.textures.size()));
}

// Both in turn in every iteration, so that they see the same machine state; the iteration
// time is the mode's, "ratio" is mode time / read time over all iterations.
void BM_ModeAgainstReads(benchmark::State& state) {
  const Tree& tree = Textures();
  ReadStartOfEveryTexture(tree);  // warm the cache for both
  double readTime = 0, modeTime = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    ReadStartOfEveryTexture(tree);
    auto t1 = std::chrono::steady_clock::now();
    RunMode(tree);
    auto t2 = std::chrono::steady_clock::now();
    readTime += Seconds(t1 - t0);
    modeTime += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["read_ms"] = readTime / iterations * 1e3;
  state.counters["mode_ms"] = modeTime / iterations * 1e3;
  state.counters["ratio"] = readTime > 0 ? modeTime / readTime : 0;
}

// Phase: the folders listed as the mode lists them.
void BM_ListFolders(benchmark::State& state) {
  const Tree& tree = Textures();
  for (auto _ : state) {
    for (const std::string& folder : tree.folders) {
      FileSearch search;
      search.Start(ToEnginePath(folder) + "\\*", FileSearch::kFolderOnly, FileSearch::kKeepFolderOpen);
      FileSearchEntry entry;
      while (search.Next(entry)) benchmark::DoNotOptimize(entry.attrib);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(tree.textures.size()));
}

// Phase: every header read through the texture stream, by whole path.
void BM_ReadHeaders(benchmark::State& state) {
  const Tree& tree = Textures();
  SetNoLogs(true);
  for (auto _ : state) {
    for (const std::string& path : tree.textures) {
      TextureFileStream in;
      if (!in.Open(path)) continue;
      TextureSourcePac source;
      PacMipmapRecord table[pac::kMipmapTableSize];
      benchmark::DoNotOptimize(source.ReadHeader(in, path, true, table, pac::kMipmapTableSize));
    }
  }
  SetNoLogs(false);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(tree.textures.size()));
}

// Phase: "texHeaders.bin" saved from a manager that holds every header.
void BM_SaveHeaders(benchmark::State& state) {
  const Tree& tree = Textures();
  TextureHeaderManager manager;
  SetNoLogs(true);
  kln::CollectTextureHeaders({}, manager, (tree.root / "src").string(), "");
  SetNoLogs(false);
  const RString path = (tree.root / "dst" / "texHeaders.bin").string();
  for (auto _ : state) benchmark::DoNotOptimize(manager.Save(path));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(manager.Count()));
}

BENCHMARK(BM_ReadStartOfEveryTexture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFolders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadHeaders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveHeaders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextureHeadersMode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModeAgainstReads)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
