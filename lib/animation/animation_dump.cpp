#include "lib/animation/animation_dump.h"

#include <cstring>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/appframe/forwarding_sink.h"
#include "el/appframe/message_recorder.h"
#include "el/qstream/qi_file_stream.h"
#include "engine/engine_file.h"
#include "lib/animation/animation_rt.h"
#include "lib/dump/dump_writer.h"
#include "platform/ascii.h"

namespace {

// A skeleton of the bone names in the header of the source animation `in`, all top-level;
// null for a runtime animation, whose phases are shown in the file's order anyway.
SkeletonRef HeaderSkeleton(QIStream& in) {
  char magic[8] = {};
  in.read(magic, sizeof magic);
  if (std::memcmp(magic, "RTM_", 4) != 0) {
    in.SeekG(0);
    return nullptr;
  }
  auto skeleton = std::make_shared<Skeleton>("dump");
  in.SeekG(in.TellG() + (std::memcmp(magic, "RTM_0100", 8) == 0 ? 4 : 12));
  int32_t phases = 0, bones = 0;
  in.read(&phases, sizeof phases);
  in.read(&bones, sizeof bones);
  char field[32];
  for (int32_t i = 0; i < bones && in.read(field, sizeof field) == sizeof field; ++i) {
    field[31] = 0;
    RString name = AsciiLowerCopy(std::string_view(field, std::strlen(field)));
    if (skeleton->FindBone(name) < 0) skeleton->AddBone(name, "");
  }
  skeleton->Order();
  in.SeekG(0);
  return skeleton;
}

void FloatArray(DumpWriter& w, std::string_view key, const float* values, int count) {
  w.BeginArray(key);
  for (int i = 0; i < count; ++i) w.Float("", values[i]);
  w.EndArray();
}

void WriteTransform(DumpWriter& w, const RString& bone, const PackedBoneTransform& t) {
  w.BeginObject();
  w.String("bone", bone);
  w.BeginArray("quaternion");
  for (int16_t value : {t.x, t.y, t.z, t.w}) w.Int("", value);
  w.EndArray();
  const float q[4] = {t.x / 16384.0f, t.y / 16384.0f, t.z / 16384.0f, t.w / 16384.0f};
  w.Float("scale", q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  const float translation[3] = {DecodeHalfFloat(t.tx), DecodeHalfFloat(t.ty), DecodeHalfFloat(t.tz)};
  FloatArray(w, "translation", translation, 3);
  Matrix4 matrix = UnpackBoneMatrix(t);
  float floats[12];
  std::memcpy(floats, &matrix, sizeof floats);
  FloatArray(w, "matrix", floats, 12);
  w.EndObject();
}

void WriteAnimation(DumpWriter& w, const AnimationRT& a) {
  if (a.SourceVersion() == 0) {
    w.String("kind", "source animation");
    w.String("format", a.IsOldFormat() ? "RTM_0100" : "RTM_0101");
    w.Int("version", a.IsOldFormat() ? 100 : 101);
  } else {
    w.String("kind", "runtime animation");
    w.String("format", "BMTR");
    w.Int("version", a.SourceVersion());
    w.Bool("turnAround", a.TurnAround());
  }
  const float step[3] = {a.Step().x, a.Step().y, a.Step().z};
  FloatArray(w, "step", step, 3);
  w.Int("phaseCount", a.NPhases());
  w.Int("loadedPhases", a.NLoadedPhases());
  FloatArray(w, "phaseTimes", a.PhaseTimes().data(), static_cast<int>(a.PhaseTimes().size()));
  w.BeginArray("bones");
  for (const RString& name : a.BoneNames()) w.String("", name);
  w.EndArray();
  w.BeginArray("firstPhase");
  if (const AnimationRTPhase* phase = a.Phase(0)) {
    size_t count = std::min(phase->transforms.size(), a.BoneNames().size());
    for (size_t k = 0; k < count; ++k) WriteTransform(w, a.BoneNames()[k], phase->transforms[k]);
  }
  w.EndArray();
}

}  // namespace

bool DumpAnimation(const RString& path, bool json, std::string& out) {
  MessageRecorder messages;
  ScopedSink keeping(messages);
  AnimationRT animation;
  bool ok = false;
  QIFStreamB in;
  if (OpenEngineFile(in, path)) {
    SkeletonRef skeleton = HeaderSkeleton(in);
    animation.Load(in, path, skeleton, false);
    ok = animation.CompleteLoad(in);
  } else {
    ErrorMessage("Cannot open %s", path.c_str());
  }
  DumpWriter w(json);
  w.BeginObject();
  w.String("file", path);
  w.Bool("ok", ok);
  if (ok) WriteAnimation(w, animation);
  w.BeginArray("messages");
  for (const std::string& line : messages.Texts()) w.String("", line);
  w.EndArray();
  w.EndObject();
  out = w.Take();
  return ok;
}
