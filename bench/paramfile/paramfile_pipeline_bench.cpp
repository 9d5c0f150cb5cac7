// The configuration pipeline on a large generated file: preprocess + parse + binary save,
// timed against reading the same bytes and finding line ends with memchr, and the peak
// memory it takes as a multiple of the file size.
//
//   paramfile_bench [megabytes=50] [folder]
//
// Goals: the pipeline within 10x the read time, peak memory at most 4x the file size.
// The page faults of each step and of the whole pipeline are reported with the kernel's
// huge page mode, which decides how many faults the large buffers take.
#include <sys/resource.h>
#include <unistd.h>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"
#include "el/paramfile/param_pool.h"
#include "el/preproc/preproc.h"
#include "el/qstream/qi_preprocessed_stream.h"
#include "el/qstream/qo_chunk_stream.h"

// --- Counting allocator: the bytes live at any moment, and the peak since a reset.
namespace {

// The benchmark runs on one thread: plain counters keep the counting cheap.
long long gLive = 0;
long long gPeak = 0;

inline void Count(long long delta) {
  gLive += delta;
  if (gLive > gPeak) gPeak = gLive;
}

// The size is kept in front of each block so that delete knows it.
constexpr size_t kHeader = 16;

void* CountedNew(size_t size) {
  void* block = std::malloc(size + kHeader);
  if (!block) throw std::bad_alloc();
  *static_cast<size_t*>(block) = size;
  Count(static_cast<long long>(size));
  return static_cast<char*>(block) + kHeader;
}

void CountedDelete(void* p) {
  if (!p) return;
  void* block = static_cast<char*>(p) - kHeader;
  Count(-static_cast<long long>(*static_cast<size_t*>(block)));
  std::free(block);
}

}  // namespace

void* operator new(size_t size) { return CountedNew(size); }
void* operator new[](size_t size) { return CountedNew(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedNew(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedNew(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { CountedDelete(p); }
void operator delete[](void* p) noexcept { CountedDelete(p); }
void operator delete(void* p, size_t) noexcept { CountedDelete(p); }
void operator delete[](void* p, size_t) noexcept { CountedDelete(p); }

namespace {

// Times are the processor time of the process (user and system), so that other work on
// the machine does not count; the baseline is measured the same way.
struct Clock {
  using time_point = double;
  static double now() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
  }
};

double Seconds(double from, double to) { return to - from; }

long MaxRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Page faults (minor and major) and system time so far: fresh memory costs the kernel
// a fault per page, which on some machines is a large part of the pipeline.
struct KernelWork {
  long faults = 0;
  double system = 0;
  static KernelWork Now() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {usage.ru_minflt + usage.ru_majflt,
            static_cast<double>(usage.ru_stime.tv_sec) + static_cast<double>(usage.ru_stime.tv_usec) * 1e-6};
  }
};

// Writes a configuration of about `bytes` bytes: vehicle classes with nested turret and
// hit-point classes, arrays of numbers and strings, and macros.
void Generate(const std::string& path, size_t bytes) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::string chunk;
  auto flush = [&] {
    std::fwrite(chunk.data(), 1, chunk.size(), out);
    chunk.clear();
  };
  size_t written = 0;
  chunk +=
      "#define ARMOR(value) armor = value; armorStructural = value;\n"
      "#define STD_WHEELS wheels[] = {\"wheel_1_1\", \"wheel_1_2\", \"wheel_2_1\", \"wheel_2_2\"};\n"
      "#define HIT(name, value) class Hit##name { armor = value; name = #name; passThrough = 1; };\n"
      "// Generated vehicles\n";
  int group = 0;
  int index = 0;
  while (written + chunk.size() < bytes) {
    chunk += "class CfgVehicles" + std::to_string(group++) + "\n{\n\tclass VehicleBase\n\t{\n\t\tscope = 0;\n"
             "\t\tmaxSpeed = 10;\n\t\tsimulation = \"car\";\n\t};\n";
    for (int i = 0; i < 2000 && written + chunk.size() < bytes; ++i, ++index) {
      std::string n = std::to_string(index);
      chunk += "\tclass Vehicle_" + n + ": VehicleBase\n\t{\n";
      chunk += "\t\tscope = 2;\n";
      chunk += "\t\tdisplayName = \"Generated vehicle " + n + "\";\n";
      chunk += "\t\tmodel = \"\\kln\\data\\vehicles\\vehicle_" + n + ".p3d\";\n";
      chunk += "\t\tmaxSpeed = " + std::to_string(60 + index % 140) + ";\n";
      chunk += "\t\tmass = " + std::to_string(1000 + index % 5000) + ".25;\n";
      chunk += "\t\tARMOR(" + std::to_string(20 + index % 80) + ")\n";
      chunk += "\t\tSTD_WHEELS\n";
      chunk += "\t\thiddenSelections[] = {\"camo1\", \"camo2\"};\n";
      chunk += "\t\tpositions[] = {{0.5, 1.25, -0.75}, {1.5, 0.25, 2.75}, {-1.0, 0.5, " + std::to_string(index % 9) +
               ".5}};\n";
      chunk += "\t\tclass Turrets\n\t\t{\n\t\t\tclass MainTurret\n\t\t\t{\n";
      chunk += "\t\t\t\tgunnerName = \"Gunner\";\n\t\t\t\televation[] = {-5, 20};\n";
      chunk += "\t\t\t\tweapons[] = {\"Gun_120mm\", \"MG_762\"};\n\t\t\t};\n\t\t};\n";
      chunk += "\t\tclass HitPoints\n\t\t{\n\t\t\tHIT(Engine, 0.5)\n\t\t\tHIT(Hull, 1.0)\n\t\t};\n";
      chunk += "\t};\n";
      if (chunk.size() > (1 << 20)) {
        written += chunk.size();
        flush();
      }
    }
    chunk += "};\n";
  }
  written += chunk.size();
  flush();
  std::fclose(out);
}

// Reads the file in pieces and counts line ends with memchr: the baseline.
double ReadBaseline(const std::string& path, long& lines) {
  double start = Clock::now();
  FILE* in = std::fopen(path.c_str(), "rb");
  static char buffer[1 << 20];
  lines = 0;
  for (size_t got; (got = std::fread(buffer, 1, sizeof(buffer), in)) > 0;) {
    for (const char* p = buffer; (p = static_cast<const char*>(std::memchr(p, '\n', buffer + got - p))) != nullptr; ++p)
      ++lines;
  }
  std::fclose(in);
  return Seconds(start, Clock::now());
}

// The transparent huge page mode, as the kernel shows it ("always [madvise] never"), or
// "unknown" where it shows none.
std::string HugePageMode() {
  std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string mode;
  if (!std::getline(in, mode)) return "unknown";
  size_t open = mode.find('[');
  size_t close = mode.find(']', open);
  return open != std::string::npos && close != std::string::npos ? mode.substr(open + 1, close - open - 1) : mode;
}

struct Quiet : AppFrameFunctions {
  void LogLine(const char*, va_list) override {}
};

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
  std::filesystem::path folder = argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
  std::string source = (folder / ("kln_paramfile_bench_" + std::to_string(getpid()) + ".cpp")).string();
  std::string binary = (folder / ("kln_paramfile_bench_" + std::to_string(getpid()) + ".bin")).string();
  Quiet quiet;
  SetAppFrameFunctions(&quiet);

  Generate(source, megabytes << 20);
  double fileSize = static_cast<double>(std::filesystem::file_size(source));
  long lines = 0;
  ReadBaseline(source, lines);  // warms the page cache
  double baseline = 1e9;
  for (int i = 0; i < 3; ++i) baseline = std::min(baseline, ReadBaseline(source, lines));

  long rssBefore = MaxRssKb();
  gPeak = gLive;
  long long liveBefore = gLive;

  // The pipeline as ParamFile::Parse runs it, with each step timed.
  KernelWork k0 = KernelWork::Now(), k1, k2, k3;
  double t0 = Clock::now();
  long long preprocessPeak = 0;
  long preprocessRss = 0;
  double preprocess = 0, parse = 0, save = 0;
  size_t preprocessed = 0;
  int entries = 0;
  bool saved = false;
  {
    // The file buffer and the chunks of text become memory of the tree.
    ParamPoolBlockReceiver receiver;
    ScopedLargeBlockReceiver reuse(receiver);
    ParamFile file(source);
    QOChunkStream text;
    if (!CPreprocessorFunctions::Preprocess(text, source)) {
      std::fprintf(stderr, "preprocessing failed\n");
      return 1;
    }
    preprocessed = static_cast<size_t>(text.GetDataSize());
    preprocessPeak = gPeak - liveBefore;
    preprocessRss = MaxRssKb() - rssBefore;
    double t1 = Clock::now();
    k1 = KernelWork::Now();
    // The parse frees the preprocessed text as it reads it.
    QIPreprocessedStream in(text.TakeText(), source);
    if (file.Parse(in) != 0) {
      std::fprintf(stderr, "parsing failed\n");
      return 1;
    }
    double t2 = Clock::now();
    k2 = KernelWork::Now();
    saved = file.SaveBin(binary);
    double t3 = Clock::now();
    k3 = KernelWork::Now();
    preprocess = Seconds(t0, t1);
    parse = Seconds(t1, t2);
    save = Seconds(t2, t3);
    entries = file.GetEntryCount();
  }
  double pipeline = preprocess + parse + save;
  long long heapPeak = gPeak - liveBefore;
  long rssPeak = MaxRssKb() - rssBefore;

  auto kernel = [](const KernelWork& from, const KernelWork& to) {
    char text[64];
    std::snprintf(text, sizeof(text), "%6ld page faults, %5.1f ms system", to.faults - from.faults,
                  (to.system - from.system) * 1000);
    return std::string(text);
  };

  // The way back, for information (no goal): loading the binary file and saving it as text.
  std::string text = binary + ".cpp";
  double load = 0, textSave = 0;
  std::string loadKernel, textSaveKernel;
  bool loaded = false, textSaved = false;
  {
    ParamFile back;
    KernelWork k0 = KernelWork::Now();
    double t0 = Clock::now();
    loaded = back.LoadBin(binary) == 0;
    double t1 = Clock::now();
    KernelWork k1 = KernelWork::Now();
    textSaved = back.SaveText(text);
    load = Seconds(t0, t1);
    textSave = Seconds(t1, Clock::now());
    loadKernel = kernel(k0, k1);
    textSaveKernel = kernel(k1, KernelWork::Now());
  }

  std::printf("input            %.1f MB, %ld lines, %d top classes, preprocessed %.1f MB\n", fileSize / 1048576.0,
              lines, entries, static_cast<double>(preprocessed) / 1048576.0);
  std::printf("(times are processor time of the process; transparent huge pages: %s)\n", HugePageMode().c_str());
  std::printf("read + memchr    %8.1f ms  (%.0f MB/s)\n", baseline * 1000, fileSize / 1048576.0 / baseline);
  std::printf("preprocess       %8.1f ms  (%s)\n", preprocess * 1000, kernel(k0, k1).c_str());
  std::printf("parse            %8.1f ms  (%s)\n", parse * 1000, kernel(k1, k2).c_str());
  std::printf("binary save      %8.1f ms  (%s, %.1f MB; %s)\n", save * 1000, saved ? "ok" : "FAILED",
              static_cast<double>(std::filesystem::file_size(binary)) / 1048576.0, kernel(k2, k3).c_str());
  std::printf("pipeline         %8.1f ms  (%.0f MB/s; %s)\n", pipeline * 1000, fileSize / 1048576.0 / pipeline,
              kernel(k0, k3).c_str());
  std::printf("time ratio       %8.2f x   (goal <= 10)\n", pipeline / baseline);
  std::printf("  parse + save   %8.2f x\n", (parse + save) / baseline);
  std::printf("binary load      %8.1f ms  (%s, %s; informative)\n", load * 1000, loaded ? "ok" : "FAILED",
              loadKernel.c_str());
  std::printf("text save        %8.1f ms  (%s, %.1f MB, %s; informative)\n", textSave * 1000,
              textSaved ? "ok" : "FAILED", textSaved ? static_cast<double>(std::filesystem::file_size(text)) / 1048576.0 : 0.0,
              textSaveKernel.c_str());
  std::printf("peak heap        %8.2f x   (%.1f MB; preprocessing alone %.2f x)\n", heapPeak / fileSize,
              heapPeak / 1048576.0, preprocessPeak / fileSize);
  std::printf("peak RSS delta   %8.2f x   (%.1f MB; preprocessing alone %.2f x; goal <= 4)\n",
              rssPeak * 1024.0 / fileSize, rssPeak / 1024.0, preprocessRss * 1024.0 / fileSize);
  std::filesystem::remove(source);
  std::filesystem::remove(binary);
  std::filesystem::remove(text);
  SetAppFrameFunctions(nullptr);
  return saved && loaded && textSaved ? 0 : 1;
}
