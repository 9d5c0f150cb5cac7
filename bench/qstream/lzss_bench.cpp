// LZSS encode and decode throughput on terrain-like float data (MB/s of uncompressed bytes).
#include <benchmark/benchmark.h>

#include "bench/qstream/mesh_data.h"
#include "el/qstream/lzss.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"

namespace {

constexpr size_t kFloats = 4 * 1024 * 1024 / sizeof(float);

void BM_LzssEncode(benchmark::State& state) {
  std::vector<float> floats = MakeTerrainFloats(kFloats);
  size_t bytes = floats.size() * sizeof(float);
  QOStrStream out;
  for (auto _ : state) {
    out.Reset();
    LzssEncode(floats.data(), bytes, out);
    benchmark::DoNotOptimize(out.GetBuffer());
  }
  state.counters["packed_pct"] = 100.0 * static_cast<double>(out.GetBufferSize()) / static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_LzssEncode)->Unit(benchmark::kMillisecond);

void BM_LzssDecode(benchmark::State& state) {
  std::vector<float> floats = MakeTerrainFloats(kFloats);
  size_t bytes = floats.size() * sizeof(float);
  QOStrStream coded;
  LzssEncode(floats.data(), bytes, coded);
  std::vector<float> back(floats.size());
  for (auto _ : state) {
    QIStrStream in(coded.GetBuffer(), static_cast<QFileSize>(coded.GetBufferSize()));
    if (!LzssDecode(in, back.data(), static_cast<QFileSize>(bytes))) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(back.data());
  }
  if (back != floats) state.SkipWithError("decoded data differs");
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_LzssDecode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
