#pragma once
// The tagged sections of one LOD record: "TAGG", then tags up to "#EndOfFile#".
#include <unordered_map>

#include "el/qstream/basic_types.h"
#include "lib/shape/key_frame.h"
#include "lib/shape/named_properties.h"
#include "lib/shape/named_selection.h"

class SourceStream;
struct SourceLodRecord;
struct LodReadContext;

struct SourceLodTags {
  AutoArray<NamedSelection> selections;  // points and faces; vertices come later
  std::unordered_map<RString, size_t> selectionIndex;  // name -> position in selections
  NamedProperties properties;
  bool hasMasses = false;
  AutoArray<float> masses;
  AutoArray<ShapeKeyFrame> keyFrames;
  // Replacement first UV set and second UV set: u, v per face corner, faces in order.
  bool hasUV[2] = {false, false};
  AutoArray<float> uv[2];
};

// Longest tag name kept; longer names are cut with a warning.
constexpr size_t kMaxTagNameLength = 1024;

// Reads the tag block after the faces of `record`. On failure the reason has been
// reported ("Error loading tag", "Bad format") and false is returned.
bool ReadSourceLodTags(SourceStream& in, const SourceLodRecord& record, SourceLodTags& tags, LodReadContext& context);
