// Loading a source model of 200,000 faces, against a plain sequential parse of the same
// bytes (points, normals and face records copied out, tags skipped, no vertex table).
// BM_LoadRatio times both in the same run and reports load / parse ("ratio").
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_stream.h"
#include "engine/material_cache.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/source_model_reader.h"
#include "lib/shape/testing/mlod_writer.h"

namespace {

// Four visual LODs of 125 x 200 cells, two triangles each: 4 x 50,000 faces.
const std::string& ModelBytes() {
  static const std::string bytes = [] {
    mlod::Model model;
    for (int i = 0; i < 4; ++i) {
      mlod::Lod lod = mlod::MakeGridLod(125, 200, static_cast<float>(i + 1), "data\\terrain_co.paa");
      lod.AddSelectionOf("half", {0, 1, 2, 3}, {0, 1});
      lod.AddProperty("lodnoshadow", "1");
      model.lods.push_back(std::move(lod));
    }
    return mlod::WriteModel(model);
  }();
  return bytes;
}

struct PlainFace {
  uint32_t n = 0;
  uint32_t corners[16] = {};
  uint32_t flags = 0;
  std::string texture;
  std::string material;
};

struct PlainLod {
  std::vector<float> points;
  std::vector<float> normals;
  std::vector<PlainFace> faces;
  float resolution = 0.0f;
};

std::string ReadString(QIStream& in) {
  std::string text;
  for (int c = in.get(); c > 0; c = in.get()) text.push_back(static_cast<char>(c));
  return text;
}

// The plain parse: "MLOD" with "P3DM" records only, as ModelBytes writes them.
size_t PlainParse(const std::string& bytes) {
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  char magic[4];
  uint32_t version = 0;
  int32_t count = 0;
  in.read(magic, 4);
  in.read(&version, 4);
  in.read(&count, 4);
  size_t faces = 0;
  for (int l = 0; l < count; ++l) {
    PlainLod lod;
    uint32_t header[7];
    in.read(header, sizeof header);
    lod.points.resize(size_t{header[3]} * 4);
    in.read(lod.points.data(), static_cast<QFileSize>(lod.points.size() * sizeof(float)));
    lod.normals.resize(size_t{header[4]} * 3);
    in.read(lod.normals.data(), static_cast<QFileSize>(lod.normals.size() * sizeof(float)));
    lod.faces.resize(header[5]);
    for (PlainFace& face : lod.faces) {
      in.read(&face.n, 4);
      in.read(face.corners, sizeof face.corners);
      in.read(&face.flags, 4);
      face.texture = ReadString(in);
      face.material = ReadString(in);
    }
    in.read(magic, 4);  // "TAGG"
    for (;;) {
      char name[64];
      uint32_t size = 0;
      in.read(name, 64);
      in.read(&size, 4);
      in.SeekG(in.TellG() + size);
      if (std::strcmp(name, "#EndOfFile#") == 0 || in.eof()) break;
    }
    in.read(&lod.resolution, 4);
    faces += lod.faces.size();
    benchmark::DoNotOptimize(lod.faces.data());
  }
  return faces;
}

size_t Load(const std::string& bytes) {
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  LODShape model;
  SourceModelIntake intake;
  if (!ReadSourceModel(in, "bench.p3d", model, intake)) return 0;
  size_t faces = 0;
  for (int i = 0; i < model.NLods(); ++i) faces += static_cast<size_t>(model.Lod(i)->NFaces());
  Materials().DeleteAll();
  return faces;
}

void BM_PlainParse(benchmark::State& state) {
  const std::string& bytes = ModelBytes();
  for (auto _ : state) benchmark::DoNotOptimize(PlainParse(bytes));
  state.SetBytesProcessed(static_cast<int64_t>(bytes.size()) * state.iterations());
}
BENCHMARK(BM_PlainParse)->Unit(benchmark::kMillisecond);

void BM_SourceModelLoad(benchmark::State& state) {
  const std::string& bytes = ModelBytes();
  for (auto _ : state)
    if (Load(bytes) != 200000) state.SkipWithError("the model did not load");
  state.SetBytesProcessed(static_cast<int64_t>(bytes.size()) * state.iterations());
}
BENCHMARK(BM_SourceModelLoad)->Unit(benchmark::kMillisecond);

void BM_LoadRatio(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const std::string& bytes = ModelBytes();
  double parseSeconds = 0.0, loadSeconds = 0.0;
  for (auto _ : state) {
    auto start = Clock::now();
    if (PlainParse(bytes) != 200000) state.SkipWithError("plain parse failed");
    auto middle = Clock::now();
    if (Load(bytes) != 200000) state.SkipWithError("the model did not load");
    auto end = Clock::now();
    parseSeconds += std::chrono::duration<double>(middle - start).count();
    loadSeconds += std::chrono::duration<double>(end - middle).count();
  }
  double n = static_cast<double>(state.iterations());
  state.counters["parse_ms"] = 1000.0 * parseSeconds / n;
  state.counters["load_ms"] = 1000.0 * loadSeconds / n;
  state.counters["ratio"] = parseSeconds > 0.0 ? loadSeconds / parseSeconds : 0.0;
}
BENCHMARK(BM_LoadRatio)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
