// Resolving names from data: 100,000 references spread over 200 addons, through 200 mounts
// against the same files laid out below the plain work drive. Goal: the mounts cost at most
// 1.2 times the work drive.
//
// Every other reference is spelled in another letter case than the files on the disk (as
// data written on Windows is), so both sides also pay for the search ignoring case.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/engine_resolver.h"

namespace {

constexpr int kAddons = 200;
constexpr int kFilesPerAddon = 10;
constexpr int kReferences = 100000;

std::string AddonWorkPath(int addon) {
  return "x\\mod" + std::to_string(addon % 20) + "\\addons\\part" + std::to_string(addon);
}

// The tree: repo/part<i>/data/tex<j>_co.paa (for the mounts) and the same files below
// drive/x/mod<k>/addons/part<i>/ (the laid-out work drive).
const std::filesystem::path& Tree() {
  static const std::filesystem::path root = [] {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "kilnify-resolve-bench";
    std::filesystem::remove_all(path);
    for (int addon = 0; addon < kAddons; ++addon) {
      std::string laidOut = AddonWorkPath(addon);
      for (char& c : laidOut)
        if (c == '\\') c = '/';
      for (const std::filesystem::path& folder :
           {path / "repo" / ("part" + std::to_string(addon)) / "data", path / "drive" / laidOut / "data"}) {
        std::filesystem::create_directories(folder);
        for (int file = 0; file < kFilesPerAddon; ++file)
          std::ofstream(folder / ("tex" + std::to_string(file) + "_co.paa")) << "x";
      }
    }
    return path;
  }();
  return root;
}

// With `mixed`, every other reference has its letters' case flipped.
std::vector<EnginePath> MakeReferences(bool mixed) {
  {
    std::vector<EnginePath> list;
    list.reserve(kReferences);
    for (int i = 0; i < kReferences; ++i) {
      const int addon = (i * 7919) % kAddons;
      std::string name = "\\" + AddonWorkPath(addon) + "\\data\\tex" + std::to_string(i % kFilesPerAddon) + "_co.paa";
      if (mixed && i % 2)
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      list.emplace_back(name);
    }
    return list;
  }
}

const std::vector<EnginePath>& References(bool mixed) {
  static const std::vector<EnginePath> exact = MakeReferences(false), mixedCase = MakeReferences(true);
  return mixed ? mixedCase : exact;
}

void ResolveAll(benchmark::State& state) {
  size_t found = 0;
  for (auto _ : state) {
    for (const EnginePath& reference : References(state.range(0) != 0))
      found += ResolveEnginePath(reference).found ? 1 : 0;
  }
  if (found != static_cast<size_t>(state.iterations()) * kReferences) state.SkipWithError("a reference was not found");
  state.SetItemsProcessed(state.iterations() * kReferences);
}

void PlainWorkDrive(benchmark::State& state) {
  Mounts().Clear();
  ::setenv("KILNIFY_WORK_DRIVE", (Tree() / "drive").c_str(), 1);
  ResolveAll(state);
}

void TwoHundredMounts(benchmark::State& state) {
  Mounts().Clear();
  ::setenv("KILNIFY_WORK_DRIVE", (Tree() / "drive").c_str(), 1);
  for (int addon = 0; addon < kAddons; ++addon) {
    std::string workPath = AddonWorkPath(addon);
    if (addon % 3 == 0)
      for (char& c : workPath) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Mounts().Add(workPath, (Tree() / "repo" / ("part" + std::to_string(addon))).string(), "bench", nullptr);
  }
  ResolveAll(state);
  Mounts().Clear();
}

// Argument 1: references in mixed letter case (the goal's case); 0: all in the files' case,
// which shows the cost of the mount table itself.
BENCHMARK(PlainWorkDrive)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(TwoHundredMounts)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const int mixed = run.run_name.args == "1" ? 1 : 0;
      if (run.run_name.function_name == "PlainWorkDrive") plain_[mixed] = run.GetAdjustedCPUTime();
      if (run.run_name.function_name == "TwoHundredMounts") mounts_[mixed] = run.GetAdjustedCPUTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (plain_[1] > 0 && mounts_[1] > 0)
      std::printf("mixed case: 200 mounts / plain work drive = %.2fx CPU time (goal: at most 1.2x)\n",
                  mounts_[1] / plain_[1]);
    if (plain_[0] > 0 && mounts_[0] > 0)
      std::printf("exact case: 200 mounts / plain work drive = %.2fx CPU time\n", mounts_[0] / plain_[0]);
  }

 private:
  double plain_[2] = {0, 0}, mounts_[2] = {0, 0};
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Tree();
  References(true);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::filesystem::remove_all(Tree());
  return 0;
}
