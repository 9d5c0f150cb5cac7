// Converting a tree of models totalling at least 200 MB of source data with build/kilnify,
// against a floor pass that reads every source file, LZO-compresses as many bytes and
// writes them. Reports the time ratio (goal: at most 3x) and the converter's peak memory
// against the largest source file (goal: at most 6x it plus 64 MB). Then, for large
// projects: two workers (-j 2) against one (goal: at least 1.8x faster on 2 cores), ninja
// -j 2 on the file that -ninja= writes against kilnify -j 2 (goal: at most 1.15x slower),
// and a -hashCheck run over 10,000 up-to-date models against the walk of the same tree that
// finds them up to date by their times (goal: at most 1.5x).
#include <lzo/lzo1x.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/support/timed_run.h"
#include "lib/shape/testing/mlod_writer.h"


namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kModels = 24;
constexpr uintmax_t kMinimumTotal = 200ull << 20;

// Writes models of several LODs until the tree holds at least 200 MB.
uintmax_t WriteTree(const fs::path& source, uintmax_t& largest) {
  uintmax_t total = 0;
  for (int i = 0; i < kModels || total < kMinimumTotal; ++i) {
    mlod::Model model;
    int cells = 150 + 10 * (i % 5);
    model.lods.push_back(mlod::MakeGridLod(cells, cells, 1.0f, "data\\ground_co.paa", "data\\ground.rvmat"));
    model.lods.push_back(mlod::MakeGridLod(cells / 2, cells / 2, 2.0f, "data\\ground_co.paa"));
    model.lods.push_back(mlod::MakeGridLod(cells / 4, cells / 4, 4.0f, "data\\ground_co.paa"));
    model.lods.push_back(mlod::MakeGridLod(4, 4, 1e13f, ""));
    fs::path file = source / ("folder" + std::to_string(i % 6)) / ("model" + std::to_string(i) + ".p3d");
    mlod::WriteModelFile(model, file);
    uintmax_t size = fs::file_size(file);
    total += size;
    if (size > largest) largest = size;
  }
  return total;
}

double FloorPass(const fs::path& source, const fs::path& target) {
  auto start = Clock::now();
  std::vector<unsigned char> work(LZO1X_1_MEM_COMPRESS);
  for (const auto& entry : fs::recursive_directory_iterator(source)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<unsigned char> packed(bytes.size() + bytes.size() / 16 + 64 + 3);
    lzo_uint packedSize = 0;
    lzo1x_1_compress(bytes.data(), bytes.size(), packed.data(), &packedSize, work.data());
    fs::path out = target / fs::relative(entry.path(), source);
    fs::create_directories(out.parent_path());
    std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(packed.data()),
                                               static_cast<std::streamsize>(packedSize));
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs a program; returns its time and peak resident memory.
// Processor seconds (user and system) of the last program run, its workers included.
double lastCpuSeconds = 0;

bool Run(std::vector<std::string> args, double& seconds, long& peakKilobytes) {
  const TimedRun run = RunTimed(std::move(args));
  seconds = run.seconds;
  peakKilobytes = run.peakKilobytes;
  lastCpuSeconds = run.processorSeconds;
  return run.ok;
}

// Runs the converter with `options` (-noLogs and an empty addon folder added: without one
// the converter would load every configuration below the work drive).
bool Convert(const fs::path& converter, const fs::path& source, const fs::path& target, double& seconds,
             long& peakKilobytes, std::vector<std::string> options = {"-always"}) {
  fs::path addon = target.parent_path() / "addon";
  fs::create_directories(addon);
  std::vector<std::string> args = {converter.string(), "-noLogs", "-addon=" + addon.string()};
  args.insert(args.end(), options.begin(), options.end());
  args.push_back(source.string());
  args.push_back(target.string());
  return Run(args, seconds, peakKilobytes);
}

double Timed(const fs::path& converter, const fs::path& source, const fs::path& target,
             std::vector<std::string> options) {
  double seconds = 0;
  long peak = 0;
  if (!Convert(converter, source, target, seconds, peak, options)) std::fprintf(stderr, "a run failed\n");
  return seconds;
}

void CompareWorkers(const fs::path& converter, const fs::path& root) {
  double one = Timed(converter, root / "src", root / "j1", {"-always", "-j", "1"});
  const double oneCpu = lastCpuSeconds;
  double two = Timed(converter, root / "src", root / "j2", {"-always", "-j", "2"});
  const double twoCpu = lastCpuSeconds;
  std::printf("-j 1: %.2f s, -j 2: %.2f s = %.2fx faster (goal: at least 1.8x)\n", one, two, one / two);
  // Processor time over wall time: how many cores the runs actually had.
  std::printf("  processor time: -j 1 %.2f s (%.2f cores busy), -j 2 %.2f s (%.2f cores busy)\n", oneCpu,
              oneCpu / one, twoCpu, twoCpu / two);

  const fs::path ninjaFile = root / "build.ninja";
  Timed(converter, root / "src", root / "nj", {"-ninja=" + ninjaFile.string()});
  double seconds = 0;
  long peak = 0;
  if (!Run({"/usr/bin/ninja", "-f", ninjaFile.string(), "-j", "2", "--quiet"}, seconds, peak))
    std::fprintf(stderr, "ninja failed\n");
  std::printf("ninja -j 2: %.2f s = %.2fx kilnify -j 2 (goal: at most 1.15x)\n", seconds, seconds / two);
}

// 10,000 small models converted once with -hashCheck; then a run that finds all up to date
// by hashes against the walk that finds them up to date by times.
void CompareHashCheck(const fs::path& converter, const fs::path& root) {
  constexpr int kFiles = 10000;
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(2, 2, 1.0f, "data\\small_co.paa"));
  for (int i = 0; i < kFiles; ++i) {
    mlod::WriteModelFile(model, root / "many" / ("folder" + std::to_string(i % 100)) / ("m" + std::to_string(i) + ".p3d"));
  }
  Timed(converter, root / "many", root / "many_dst", {"-hashCheck", "-j", "2"});
  double walk = Timed(converter, root / "many", root / "many_dst", {});
  double hashed = Timed(converter, root / "many", root / "many_dst", {"-hashCheck"});
  std::printf("%d up-to-date files: walk by times %.3f s, -hashCheck %.3f s = %.2fx (goal: at most 1.5x)\n", kFiles,
              walk, hashed, hashed / walk);
}

}  // namespace

int main(int argc, char** argv) {
  if (lzo_init() != LZO_E_OK) return 1;
  fs::path converter = argc > 1 ? fs::path(argv[1]) : fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "kilnify";
  fs::path root = fs::temp_directory_path() / "kilnify-convert-bench";
  fs::remove_all(root);
  uintmax_t largest = 0;
  uintmax_t total = WriteTree(root / "src", largest);
  std::printf("source tree: %.1f MB in %d+ models, largest file %.1f MB\n", total / 1048576.0, kModels,
              largest / 1048576.0);

  double floor = FloorPass(root / "src", root / "floor");
  double seconds = 0;
  long peak = 0;
  if (!Convert(converter, root / "src", root / "dst", seconds, peak)) {
    std::fprintf(stderr, "conversion failed\n");
    fs::remove_all(root);
    return 1;
  }
  int converted = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root / "dst")) converted += entry.path().extension() == ".p3d";
  std::printf("converted models: %d\n", converted);
  double peakMb = peak / 1024.0;
  double budgetMb = 6.0 * largest / 1048576.0 + 64.0;
  std::printf("floor pass (read, LZO-compress, write): %.2f s\n", floor);
  std::printf("conversion: %.2f s = %.2fx the floor pass (goal: at most 3x)\n", seconds, seconds / floor);
  std::printf("peak memory: %.1f MB; 6x largest source + 64 MB = %.1f MB (%s)\n", peakMb, budgetMb,
              peakMb <= budgetMb ? "within goal" : "over goal");
  CompareWorkers(converter, root);
  CompareHashCheck(converter, root);
  fs::remove_all(root);
  return 0;
}
