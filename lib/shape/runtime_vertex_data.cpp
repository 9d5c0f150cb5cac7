// The vertex arrays of a runtime LOD block.
#include "el/qstream/serialize_bin_stream.h"
#include "lib/shape/runtime_lod_block.h"
#include "lib/shape/shape.h"

namespace {

constexpr bool kCompressed = true;

void TransferUVSet(SerializeBinStream& f, UVSet& uv) {
  float minU = uv.MinU(), minV = uv.MinV(), maxU = uv.MaxU(), maxV = uv.MaxV();
  f.Transfer(minU);
  f.Transfer(minV);
  f.Transfer(maxU);
  f.Transfer(maxV);
  if (f.IsLoading()) uv.SetRange(minU, minV, maxU, maxV);
  f.TransferCompactArray(uv.Packed(), kCompressed);
}

// Load: every per-vertex array has one entry per vertex; the optional ones may be empty.
bool VertexArraysFit(const VertexTable& table) {
  size_t n = static_cast<size_t>(table.NVertices());
  auto optional = [n](size_t size) { return size == 0 || size == n; };
  if (static_cast<size_t>(table.Normals().Size()) != n || static_cast<size_t>(table.ClipFlagArray().Size()) != n ||
      static_cast<size_t>(table.UV(0).Size()) != n)
    return false;
  if (table.HasSecondUVSet() && static_cast<size_t>(table.UV(1).Size()) != n) return false;
  if (!optional(table.Tangents().size()) || !optional(table.Weights().size()) || !optional(table.Neighbors().size()))
    return false;
  auto fits = [](const VertexWeights& weights) { return weights.count >= 0 && weights.count <= VertexWeights::kMaxPairs; };
  for (const VertexWeights& weights : table.Weights())
    if (!fits(weights)) return false;
  for (const VertexNeighborInfo& record : table.Neighbors())
    if (!fits(record.next.weights) || !fits(record.previous.weights) || record.next.vertex >= n ||
        record.previous.vertex >= n)
      return false;
  return true;
}

}  // namespace

bool TransferRuntimeVertexData(SerializeBinStream& f, Shape& shape, int32_t* vertexDataSize) {
  VertexTable& table = shape.Vertices();
  QFileSize start = f.IsSaving() ? f.TellP() : f.TellG();
  int32_t size = 0;
  QFileSize slot = -1;
  if (f.IsSaving()) {
    table.Condense();
    slot = f.ReserveOffset();
  } else {
    f.Transfer(size);
    if (f.Ok() && (size < 4 || size - 4 > f.GetRest())) f.SetError(SerializeBinStream::EFileStructure);
  }
  if (!f.Ok()) return false;

  f.TransferCompactArray(table.ClipFlagArray(), kCompressed);
  TransferUVSet(f, table.UV(0));
  int n = table.NVertices();
  int32_t uvSets = table.HasSecondUVSet() && n > 0 && table.UV(1).Size() == n ? 2 : 1;
  f.Transfer(uvSets);
  if (f.IsLoading() && f.Ok()) {
    if (uvSets != 1 && uvSets != 2) f.SetError(SerializeBinStream::EFileStructure);
    table.SetSecondUVSet(uvSets == 2);
  }
  if (uvSets == 2) TransferUVSet(f, table.UV(1));
  f.TransferCompressedArray(table.Positions(), kCompressed);
  f.TransferCompactArray(table.Normals(), kCompressed);
  f.TransferCompressedArray(table.Tangents(), kCompressed);
  f.TransferCompressedArray(table.Weights(), kCompressed);
  f.TransferCompressedArray(table.Neighbors(), kCompressed);
  if (!f.Ok()) return false;

  if (f.IsSaving()) {
    size = static_cast<int32_t>(f.TellP() - start);
    f.PatchValue(slot, size);
  } else if (f.TellG() - start != size || !VertexArraysFit(table)) {
    f.SetError(SerializeBinStream::EFileStructure);
  }
  if (vertexDataSize) *vertexDataSize = size;
  return f.Ok();
}
