// The folder walk over a tree where every file is up to date, against a plain recursive
// listing that stats each file. Goal: the walk costs at most twice the listing, also when
// the run records every file for its report and summary (FolderWalkRecorded).
//
// The tree: 200 folders of 100 source files each (20,000 files), every destination file
// present and newer than its source, so the walk converts nothing and only decides.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "el/appframe/app_frame.h"
#include "platform/engine_path.h"
#include "tool/folder_walk.h"
#include "tool/run_journal.h"

namespace {

constexpr int kFolders = 200;
constexpr int kFilesPerFolder = 100;

const std::filesystem::path& Tree() {
  static const std::filesystem::path root = [] {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "kilnify-walk-bench";
    std::filesystem::remove_all(path);
    for (int folder = 0; folder < kFolders; ++folder) {
      std::string relative = "folder" + std::to_string(folder / 20) + "/sub" + std::to_string(folder);
      std::filesystem::create_directories(path / "src" / relative);
      std::filesystem::create_directories(path / "dst" / relative);
      for (int file = 0; file < kFilesPerFolder; ++file) {
        std::string name = relative + "/model" + std::to_string(file) + (file % 10 ? ".p3d" : ".paa");
        std::ofstream(path / "src" / name) << "x";
        std::ofstream(path / "dst" / name) << "y";
        utimbuf old{1000, 1000}, newer{2000, 2000};
        ::utime((path / "src" / name).c_str(), &old);
        ::utime((path / "dst" / name).c_str(), &newer);
      }
    }
    return path;
  }();
  return root;
}

size_t ListAndStat(const std::string& folder) {
  size_t files = 0;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string path = folder + "/" + name;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      files += ListAndStat(path);
    } else {
      ++files;
    }
  }
  ::closedir(dir);
  return files;
}

void PlainListing(benchmark::State& state) {
  std::string src = (Tree() / "src").string();
  for (auto _ : state) benchmark::DoNotOptimize(ListAndStat(src));
  state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}

void FolderWalk(benchmark::State& state) {
  RString src = ToEnginePath((Tree() / "src").string());
  RString dst = ToEnginePath((Tree() / "dst").string());
  SetNoLogs(true);
  for (auto _ : state) {
    kln::RunSettings settings;
    kln::WalkFolder(settings, src, dst);
  }
  SetNoLogs(false);
  state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}

// As a conversion run walks: a journal notes a record for every up-to-date model.
void FolderWalkRecorded(benchmark::State& state) {
  RString src = ToEnginePath((Tree() / "src").string());
  RString dst = ToEnginePath((Tree() / "dst").string());
  SetNoLogs(true);
  for (auto _ : state) {
    kln::RunJournal journal({"kilnify"});
    kln::ScopedJournal current(journal);
    kln::RunSettings settings;
    kln::WalkFolder(settings, src, dst);
    benchmark::DoNotOptimize(journal.Files().size());
  }
  SetNoLogs(false);
  state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}

BENCHMARK(PlainListing)->Unit(benchmark::kMillisecond);
BENCHMARK(FolderWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(FolderWalkRecorded)->Unit(benchmark::kMillisecond);

// Prints the walk's cost as a multiple of the listing's after the benchmarks ran.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_name.function_name == "PlainListing") listing_ = run.GetAdjustedRealTime();
      if (run.run_name.function_name == "FolderWalk") walk_ = run.GetAdjustedRealTime();
      if (run.run_name.function_name == "FolderWalkRecorded") recorded_ = run.GetAdjustedRealTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (listing_ > 0 && walk_ > 0)
      std::printf("walk / plain listing = %.2fx (goal: at most 2.0x)\n", walk_ / listing_);
    if (listing_ > 0 && recorded_ > 0)
      std::printf("recorded walk / plain listing = %.2fx (goal: at most 2.0x)\n", recorded_ / listing_);
  }

 private:
  double listing_ = 0, walk_ = 0, recorded_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Tree();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::filesystem::remove_all(Tree());
  return 0;
}
