// LZO1X blocks through SerializeBinStream against bare liblzo2 calls on the same bytes,
// timed alternately in the same loop; the counters give the ratios (goal: save <= 1.10,
// load <= 1.15).
#include <benchmark/benchmark.h>
#include <lzo/lzo1x.h>

#include <chrono>
#include <memory>

#include "bench/qstream/mesh_data.h"
#include "el/qstream/lzo_block.h"
#include "el/qstream/serialize_bin_stream.h"

namespace {

constexpr size_t kFloats = 64 * 1024 * 1024 / sizeof(float);

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

const AutoArray<float>& Terrain() {
  static const AutoArray<float> floats = MakeTerrainFloats(kFloats);
  return floats;
}

void BM_LzoSaveAgainstBareCompress(benchmark::State& state) {
  LzoLibraryReady();
  AutoArray<float> floats = Terrain();
  size_t bytes = floats.size() * sizeof(float);
  std::unique_ptr<unsigned char[]> packed(new unsigned char[LzoWorstCaseSize(bytes)]);
  std::unique_ptr<unsigned char[]> work(new unsigned char[LZO1X_1_MEM_COMPRESS]);
  QOStrStream reused;
  double bare = 0, ours = 0, fresh = 0;
  size_t packedSize = 0;
  for (auto _ : state) {
    Clock::time_point t0 = Clock::now();
    lzo_uint size = 0;
    lzo1x_1_compress(reinterpret_cast<const unsigned char*>(floats.data()), bytes, packed.get(), &size, work.get());
    benchmark::DoNotOptimize(size);
    Clock::time_point t1 = Clock::now();
    reused.Reset();
    SerializeBinStream f(&reused);
    f.SetLzoCompression(true);
    f.TransferCompressedArray(floats, true);
    Clock::time_point t2 = Clock::now();
    QOStrStream newStream;
    SerializeBinStream g(&newStream);
    g.SetLzoCompression(true);
    g.TransferCompressedArray(floats, true);
    Clock::time_point t3 = Clock::now();
    if (!f.Ok() || reused.GetBufferSize() != size + 4) state.SkipWithError("serialized block differs");
    bare += Seconds(t0, t1);
    ours += Seconds(t1, t2);
    fresh += Seconds(t2, t3);
    packedSize = size;
    state.SetIterationTime(Seconds(t1, t2));
  }
  state.counters["bare_ms"] = bare * 1000 / static_cast<double>(state.iterations());
  state.counters["ours_ms"] = ours * 1000 / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / bare;
  state.counters["ratio_new_stream"] = fresh / bare;
  state.counters["packed_pct"] = 100.0 * static_cast<double>(packedSize) / static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_LzoSaveAgainstBareCompress)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_LzoLoadAgainstBareDecompress(benchmark::State& state) {
  const AutoArray<float>& floats = Terrain();
  size_t bytes = floats.size() * sizeof(float);
  QOStrStream stored;
  {
    SerializeBinStream f(&stored);
    f.SetLzoCompression(true);
    AutoArray<float> copy = floats;
    f.TransferCompressedArray(copy, true);
  }
  const auto* block = reinterpret_cast<const unsigned char*>(stored.GetBuffer()) + 4;
  size_t blockSize = stored.GetBufferSize() - 4;
  std::unique_ptr<unsigned char[]> plain(new unsigned char[bytes]);
  AutoArray<float> loaded(floats.size());
  double bare = 0, ours = 0;
  for (auto _ : state) {
    Clock::time_point t0 = Clock::now();
    lzo_uint size = bytes;
    lzo1x_decompress_safe(block, blockSize, plain.get(), &size, nullptr);
    benchmark::DoNotOptimize(plain.get());
    Clock::time_point t1 = Clock::now();
    QIStrStream in(stored.GetBuffer(), static_cast<QFileSize>(stored.GetBufferSize()));
    SerializeBinStream f(&in);
    f.SetLzoCompression(true);
    f.TransferCompressedArray(loaded, true);
    Clock::time_point t2 = Clock::now();
    if (!f.Ok() || size != bytes) state.SkipWithError("load failed");
    bare += Seconds(t0, t1);
    ours += Seconds(t1, t2);
    state.SetIterationTime(Seconds(t1, t2));
  }
  if (loaded != floats) state.SkipWithError("loaded array differs");
  state.counters["bare_ms"] = bare * 1000 / static_cast<double>(state.iterations());
  state.counters["ours_ms"] = ours * 1000 / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / bare;
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_LzoLoadAgainstBareDecompress)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
