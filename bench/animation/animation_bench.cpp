// Converting a source animation of 2,000 phases and 120 bones with build/kiln rtm2bmtr,
// against a floor pass that reads the file, LZO-compresses as many bytes as the output
// holds and writes them. Reports the time ratio (goal: at most 3x) and the converter's
// peak memory against the source file (goal: at most 2x it plus 32 MB). Each pass runs
// five times; the fastest run of each counts. Times are processor times (user + system),
// which other work on a shared machine disturbs far less than elapsed times; elapsed
// times are shown too.
#include <fcntl.h>
#include <lzo/lzo1x.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lib/animation/testing/rtm_writer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPhases = 2000;
constexpr int kBones = 120;
constexpr int kRuns = 5;

std::string BoneName(int bone) { return "bone_" + std::to_string(bone); }

// A skeleton of 120 bones as a binary tree (bone i's parent is (i - 1) / 2), in a model.cfg.
std::string SkeletonConfig() {
  std::string text = "class CfgSkeletons { class Bench { skeletonBones[] = {";
  for (int i = 0; i < kBones; ++i) {
    text += (i ? ", \"" : "\"") + BoneName(i) + "\", \"" + (i ? BoneName((i - 1) / 2) : "") + "\"";
  }
  return text + "}; }; };\n";
}

// Every bone turns and moves a little from phase to phase.
rtm::Animation SourceAnimation() {
  rtm::Animation animation;
  animation.step = {0.0f, 0.0f, 1.2f};
  for (int b = 0; b < kBones; ++b) animation.boneNames.push_back(BoneName(b));
  animation.phases.reserve(kPhases);
  for (int p = 0; p < kPhases; ++p) {
    rtm::Phase phase;
    phase.time = static_cast<float>(p) / kPhases;
    phase.bones.reserve(kBones);
    for (int b = 0; b < kBones; ++b) {
      float angle = 0.001f * static_cast<float>(p * (b + 1));
      phase.bones.push_back(
          {BoneName(b), rtm::Transform(0.01f * b + std::sin(angle), 0.02f * b, std::cos(angle), angle)});
    }
    animation.phases.push_back(std::move(phase));
  }
  return animation;
}

double ProcessorSeconds(const rusage& usage) {
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Times {
  double processor = 1e30;
  double elapsed = 1e30;
  void Keep(double p, double e) {
    processor = std::min(processor, p);
    elapsed = std::min(elapsed, e);
  }
};

// The floor pass in this process; returns its elapsed seconds and sets `processor`.
double FloorPass(const fs::path& source, const fs::path& target, size_t outputSize, double& processor) {
  rusage before{};
  ::getrusage(RUSAGE_SELF, &before);
  auto start = Clock::now();
  std::ifstream in(source, std::ios::binary);
  std::vector<unsigned char> bytes(fs::file_size(source));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::vector<unsigned char> work(LZO1X_1_MEM_COMPRESS);
  size_t count = std::min(outputSize, bytes.size());
  std::vector<unsigned char> packed(count + count / 16 + 64 + 3);
  lzo_uint packedSize = 0;
  lzo1x_1_compress(bytes.data(), count, packed.data(), &packedSize, work.data());
  std::ofstream(target, std::ios::binary)
      .write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packedSize));
  double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  rusage after{};
  ::getrusage(RUSAGE_SELF, &after);
  processor = ProcessorSeconds(after) - ProcessorSeconds(before);
  return elapsed;
}

// Runs kiln rtm2bmtr; returns its elapsed and processor time and peak resident memory.
bool Convert(const fs::path& kiln, const fs::path& root, double& seconds, double& processor, long& peakKilobytes) {
  std::vector<std::string> args = {kiln.string(),
                                   "rtm2bmtr",
                                   "-config=" + (root / "model.cfg").string(),
                                   "-skeleton=Bench",
                                   (root / "walk.rtm").string(),
                                   (root / "out" / "walk.rtm").string()};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  auto start = Clock::now();
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  seconds = std::chrono::duration<double>(Clock::now() - start).count();
  peakKilobytes = usage.ru_maxrss;
  processor = ProcessorSeconds(usage);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (lzo_init() != LZO_E_OK) return 1;
  fs::path kiln =
      argc > 1 ? fs::path(argv[1]) : fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "kiln";
  fs::path root = fs::temp_directory_path() / "kilnify-animation-bench";
  fs::remove_all(root);
  fs::create_directories(root / "out");
  std::ofstream(root / "model.cfg") << SkeletonConfig();
  // The file is generated by a child process: the converter is started from this one, and
  // its peak memory would otherwise include the generator's.
  pid_t generator = ::fork();
  if (generator == 0) _exit(rtm::WriteAnimationFile(SourceAnimation(), root / "walk.rtm") ? 0 : 1);
  int generated = 0;
  if (generator < 0 || ::waitpid(generator, &generated, 0) != generator || !WIFEXITED(generated) ||
      WEXITSTATUS(generated) != 0)
    return 1;
  uintmax_t sourceSize = fs::file_size(root / "walk.rtm");
  std::printf("source animation: %d phases, %d bones, %.1f MB\n", kPhases, kBones, sourceSize / 1048576.0);

  Times convert, floor;
  long peak = 0;
  for (int run = 0; run < kRuns; ++run) {
    double seconds = 0, processor = 0;
    long kilobytes = 0;
    if (!Convert(kiln, root, seconds, processor, kilobytes)) {
      std::fprintf(stderr, "conversion failed\n");
      fs::remove_all(root);
      return 1;
    }
    convert.Keep(processor, seconds);
    peak = std::max(peak, kilobytes);
    size_t outputSize = fs::file_size(root / "out" / "walk.rtm");
    seconds = FloorPass(root / "walk.rtm", root / "floor.bin", outputSize, processor);
    floor.Keep(processor, seconds);
  }
  std::printf("runtime animation: %.2f MB\n", fs::file_size(root / "out" / "walk.rtm") / 1048576.0);
  std::printf("floor pass (read, LZO-compress, write): %.1f ms processor, %.1f ms elapsed\n", 1000.0 * floor.processor,
              1000.0 * floor.elapsed);
  std::printf("conversion: %.1f ms processor, %.1f ms elapsed\n", 1000.0 * convert.processor, 1000.0 * convert.elapsed);
  std::printf("ratio: %.2fx processor, %.2fx elapsed (goal: at most 3x)\n", convert.processor / floor.processor,
              convert.elapsed / floor.elapsed);
  double peakMb = peak / 1024.0;
  double sourceMb = sourceSize / 1048576.0;
  std::printf("peak memory: %.1f MB = %.2fx the source file; 2x source + 32 MB = %.1f MB (%s)\n", peakMb,
              peakMb / sourceMb, 2.0 * sourceMb + 32.0, peakMb <= 2.0 * sourceMb + 32.0 ? "within goal" : "over goal");
  fs::remove_all(root);
  return 0;
}
