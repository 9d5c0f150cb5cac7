// Converting a tree of models totalling at least 200 MB of source data with build/kilnify,
// against a floor pass that reads every source file, LZO-compresses as many bytes and
// writes them. Reports the time ratio (goal: at most 3x) and the converter's peak memory
// against the largest source file (goal: at most 6x it plus 64 MB).
#include <lzo/lzo1x.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "lib/shape/testing/mlod_writer.h"

extern char** environ;

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

// Runs the converter; returns its time and peak resident memory.
bool Convert(const fs::path& converter, const fs::path& source, const fs::path& target, double& seconds,
             long& peakKilobytes) {
  // An empty addon folder: without one the converter would load every configuration
  // below the work drive.
  fs::path addon = target.parent_path() / "addon";
  fs::create_directories(addon);
  std::vector<std::string> args = {converter.string(), "-noLogs",       "-always", "-addon=" + addon.string(),
                                   source.string(),    target.string()};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  seconds = std::chrono::duration<double>(Clock::now() - start).count();
  peakKilobytes = usage.ru_maxrss;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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
  fs::remove_all(root);
  return 0;
}
