// Reading source animations ("RTM_0101", and the older "RTM_0100" whose step is only z).
//
// Layout: the 8-byte magic, the step, int32 phase count, int32 bone count, one 32-byte
// name per bone, then per phase a float time and per bone its 32-byte name and a 12-float
// model-space matrix. Each phase lists the bones in the order of the header.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_file_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "engine/engine_file.h"
#include "lib/animation/animation_rt.h"

namespace {

constexpr char kMagicCurrent[] = "RTM_0101";
constexpr char kMagicOlder[] = "RTM_0100";
constexpr int kNameSize = 32;
constexpr QFileSize kMagicAndStepSize = 8 + 12;
constexpr QFileSize kBoneRecordSize = kNameSize + static_cast<QFileSize>(sizeof(Matrix4));

// A 32-byte name field: byte 31 forced to 0, A-Z as a-z, ending at the first 0.
struct BoneName {
  char text[kNameSize];
  size_t length;

  explicit BoneName(const char* field) {
    std::memcpy(text, field, kNameSize);
    text[kNameSize - 1] = 0;
    length = std::strlen(text);
    for (size_t i = 0; i < length; ++i)
      if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
  }
  std::string_view View() const { return {text, length}; }
};

// The first 31 bytes of two name fields are the same (byte 31 is always read as 0).
inline bool SameNameField(const char* a, const char* b) {
  uint64_t x[4], y[4];
  std::memcpy(x, a, kNameSize);
  std::memcpy(y, b, kNameSize);
  // The last word without byte 31: its top byte on little-endian machines, else its lowest.
  const uint64_t last = x[3] ^ y[3];
  const uint64_t lastWithout31 = std::endian::native == std::endian::little ? last << 8 : last >> 8;
  return ((x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2]) | lastWithout31) == 0;
}

}  // namespace

class SourceAnimationReader {
 public:
  SourceAnimationReader(AnimationRT& animation, QIStream& in) : a_(animation), in_(in) {}

  // Reads the file from its magic on; the animation has been reset.
  void Read(bool phaseLimit) {
    const QFileSize start = in_.TellG();
    char magic[8] = {};
    in_.read(magic, sizeof magic);
    if (std::memcmp(magic, kMagicOlder, 8) == 0) {
      in_.read(&a_.step_.z, sizeof(float));
      WarningMessage("Old format used in animation %s", a_.name_.c_str());
      a_.oldFormat_ = true;
    } else if (std::memcmp(magic, kMagicCurrent, 8) == 0) {
      in_.read(&a_.step_, sizeof(Vector3));
    } else {
      in_.SeekG(start);
      SerializeBinStream f(&in_);
      const RString name = a_.name_;
      a_.SerializeBin(f, a_.skeleton_, phaseLimit);
      if (f.Ok()) return;
      a_.Reset(name, a_.skeleton_, a_.turnAround_);
      ErrorMessage("Bad animation file format in file '%s'.", name.c_str());
      return;
    }
    int32_t boneCount = 0;
    in_.read(&a_.nPhases_, sizeof(int32_t));
    in_.read(&boneCount, sizeof(int32_t));
    a_.boneMap_.assign(static_cast<size_t>(NSkeletonBones()), -1);
    ReadBoneNames(boneCount);
    if (a_.nPhases_ < 0) {
      ErrorMessage("Broken animation file");
      a_.nPhases_ = 0;
      a_.broken_ = true;
      return;
    }
    const bool readAll = a_.completeLoad_ > 0 || a_.nPhases_ < 4 || a_.oldFormat_;
    const int toRead = readAll ? a_.nPhases_ : 1;
    for (int i = 0; i < toRead && !a_.broken_; ++i) ReadPhase();
    if (readAll && !a_.broken_) {
      a_.complete_ = true;
      a_.completeLoad_ = std::max(a_.completeLoad_, 1);
    }
    a_.deferred_ = !readAll && !a_.broken_;
  }

  // Reads phases 1 to n-1 of a file whose first read kept phase 0 only.
  bool Complete() {
    in_.SeekG(kMagicAndStepSize);
    int32_t phaseCount = 0, boneCount = 0;
    in_.read(&phaseCount, sizeof(int32_t));
    in_.read(&boneCount, sizeof(int32_t));
    if (phaseCount != a_.nPhases_) {
      // The file is not the one read first.
      Broken();
      return false;
    }
    // The names again, for the look-up of the phases' bones (the bone map stays).
    AutoArray<int> boneMap = a_.boneMap_;
    AutoArray<RString> boneNames = std::move(a_.boneNames_);
    a_.boneNames_.clear();
    ReadBoneNames(boneCount);
    a_.boneMap_ = std::move(boneMap);
    a_.boneNames_ = std::move(boneNames);
    in_.SeekG(in_.TellG() + 4 + static_cast<QFileSize>(fileBones_.size()) * kBoneRecordSize);
    for (int i = 1; i < a_.nPhases_ && !a_.broken_; ++i) ReadPhase();
    if (a_.broken_) return false;
    a_.deferred_ = false;
    a_.complete_ = true;
    a_.completeLoad_ = std::max(a_.completeLoad_, 1);
    return true;
  }

 private:
  int NSkeletonBones() const { return a_.skeleton_ ? a_.skeleton_->NBones() : 0; }

  int FindBone(std::string_view name) const { return a_.skeleton_ ? a_.skeleton_->FindBone(name) : -1; }

  // The header's names: bones the skeleton knows are listed and mapped; the others are
  // skipped. Reading stops at the end of the input, whatever the count says.
  void ReadBoneNames(int32_t count) {
    fileBones_.clear();
    int matched = 0;
    char field[kNameSize];
    for (int32_t i = 0; i < count; ++i) {
      if (in_.read(field, kNameSize) != kNameSize) break;
      BoneName name(field);
      int bone = FindBone(name.View());
      fileBones_.push_back({RString(name.View()), bone, {}});
      std::memcpy(fileBones_.back().field, field, kNameSize);
      if (bone < 0) continue;
      a_.boneMap_[static_cast<size_t>(bone)] = matched++;
      a_.boneNames_.emplace_back(name.View());
    }
  }

  // The skeleton bone of the `index`-th bone record of a phase, whose name field is
  // `field`: the header's answer when the record names the header's bone of that position
  // (as the format requires), a search otherwise.
  int PhaseBone(size_t index, const char* field) const {
    if (index < fileBones_.size()) {
      const FileBone& header = fileBones_[index];
      // The same 32 bytes as the header's field name the same bone.
      if (SameNameField(field, header.field)) return header.skeletonBone;
      BoneName name(field);
      if (header.name == name.View()) return header.skeletonBone;
      return FindBone(name.View());
    }
    return FindBone(BoneName(field).View());
  }

  void ReadPhase() {
    float time = 0.0f;
    if (in_.read(&time, sizeof(float)) != sizeof(float)) {
      Broken();
      return;
    }
    // The phase's records where the stream holds them; across the end of a buffer (or of
    // the input) they are read one by one, as far as they go.
    const size_t bones = fileBones_.size();
    const QFileSize size = static_cast<QFileSize>(bones) * kBoneRecordSize;
    const char* records = nullptr;
    if (size > 0 && in_.PeekContiguous(&records) >= size) {
      in_.Advance(size);
    } else {
      phaseBytes_.resize(static_cast<size_t>(size));
      for (size_t i = 0; i < bones; ++i) {
        if (in_.read(&phaseBytes_[i * kBoneRecordSize], kBoneRecordSize) != kBoneRecordSize) {
          Broken();
          return;
        }
      }
      records = phaseBytes_.data();
    }
    // The matrices stay where they are read, unless turned around.
    scratch_.resize(a_.turnAround_ ? bones : 0);
    matrices_.resize(bones);
    size_t count = 0;
    for (size_t i = 0; i < bones; ++i) {
      const char* record = records + i * kBoneRecordSize;
      if (PhaseBone(i, record) < 0) continue;
      if (!a_.turnAround_) {
        matrices_[count++] = record + kNameSize;
        continue;
      }
      Matrix4& matrix = scratch_[count];
      matrices_[count++] = reinterpret_cast<const char*>(&matrix);
      std::memcpy(&matrix, record + kNameSize, sizeof matrix);
      // Half a turn about y on both sides: the x and z rows of y, and x and z elsewhere.
      matrix.axisX.y = -matrix.axisX.y;
      matrix.axisY.x = -matrix.axisY.x;
      matrix.axisY.z = -matrix.axisY.z;
      matrix.axisZ.y = -matrix.axisZ.y;
      matrix.position.x = -matrix.position.x;
      matrix.position.z = -matrix.position.z;
    }
    matrices_.resize(count);
    AnimationRTPhase phase;
    phase.transforms.resize(matrices_.size());
    ToParentRelative(phase);
    a_.ApplyPivots(phase);
    a_.phaseTimes_.push_back(time);
    a_.AddPhase(std::move(phase));
  }

  // A phase that cannot be read stays without transforms and ends the reading.
  void Broken() {
    ErrorMessage("Broken animation file");
    a_.phaseTimes_.push_back(0.0f);
    a_.AddPhase({});
    a_.broken_ = true;
  }

  // Each bound bone's matrix relative to its parent's, parents first (the skeleton lists
  // bones in depth-first order); a bone the file lacks hands its parent's matrix on. The
  // pairs of matrices are gathered first and converted together.
  void ToParentRelative(AnimationRTPhase& phase) {
    // Which matrices pair up depends only on how many the phase has (the bone map stays).
    if (plannedCount_ != matrices_.size()) PlanParentRelative();
    models_.resize(slots_.size());
    parents_.resize(slots_.size());
    for (size_t i = 0; i < slots_.size(); ++i) {
      models_[i] = matrices_[static_cast<size_t>(slots_[i])];
      parents_[i] = parentSlots_[i] < 0 ? nullptr : matrices_[static_cast<size_t>(parentSlots_[i])];
    }
    packed_.resize(slots_.size());
    PackRelativeBoneMatrices(parents_.data(), models_.data(), packed_.data(), slots_.size());
    for (size_t i = 0; i < slots_.size(); ++i) phase.transforms[static_cast<size_t>(slots_[i])] = packed_[i];
  }

  // The phase's matrix of each bound bone in skeleton order, and its parent's (-1: none).
  void PlanParentRelative() {
    const int n = NSkeletonBones();
    // The bone whose model-space matrix each bone passes on to its children; -1 stands for
    // the identity (the virtual root, and bones below it that the file lacks).
    source_.resize(static_cast<size_t>(n));
    slots_.clear();
    parentSlots_.clear();
    for (int s = 0; s < n; ++s) {
      const int parent = a_.skeleton_->ParentIndex(s);
      const int from = parent >= 0 && parent < s ? source_[static_cast<size_t>(parent)] : -1;
      const int k = a_.boneMap_[static_cast<size_t>(s)];
      if (k < 0 || static_cast<size_t>(k) >= matrices_.size()) {
        source_[static_cast<size_t>(s)] = from;
        continue;
      }
      source_[static_cast<size_t>(s)] = s;
      slots_.push_back(k);
      parentSlots_.push_back(from < 0 ? -1 : a_.boneMap_[static_cast<size_t>(from)]);
    }
    plannedCount_ = matrices_.size();
  }

  struct FileBone {
    RString name;           // lower case, at most 31 characters
    int skeletonBone;       // -1 when the skeleton lacks it
    char field[kNameSize];  // the name field as stored
  };

  AnimationRT& a_;
  QIStream& in_;
  AutoArray<FileBone> fileBones_;
  // The current phase's matrices of bones the skeleton knows, in file order: the 12 floats
  // in the stream's bytes, or in scratch_ when turned around.
  AutoArray<const char*> matrices_;
  AutoArray<Matrix4> scratch_;
  AutoArray<char> phaseBytes_;
  AutoArray<int> source_;
  // Per bound bone in skeleton order: the index of its matrix in the phase (and of its
  // transform), its parent's (-1: none), and for the current phase the matrices themselves
  // and the packed transform.
  size_t plannedCount_ = SIZE_MAX;
  AutoArray<int> slots_;
  AutoArray<int> parentSlots_;
  AutoArray<const char*> models_;
  AutoArray<const char*> parents_;
  AutoArray<PackedBoneTransform> packed_;
};

void AnimationRT::Load(QIStream& in, const RString& name, SkeletonRef skeleton, bool turnAround, bool phaseLimit) {
  Reset(name, std::move(skeleton), turnAround);
  if (in.GetDataSize() <= 0) {
    WarningMessage("Animation %s not found or empty", name.c_str());
    MakeEmpty();
    return;
  }
  SourceAnimationReader(*this, in).Read(phaseLimit);
}

void AnimationRT::Load(const RString& name, SkeletonRef skeleton, bool turnAround, bool phaseLimit) {
  QIFStreamB in;
  if (!OpenEngineFile(in, name)) {
    Reset(name, std::move(skeleton), turnAround);
    WarningMessage("Animation %s not found or empty", name.c_str());
    MakeEmpty();
    return;
  }
  Load(in, name, std::move(skeleton), turnAround, phaseLimit);
}

bool AnimationRT::LoadComplete(const RString& name, SkeletonRef skeleton, bool turnAround) {
  QIFStreamB in;
  if (!OpenEngineFile(in, name)) {
    Load(name, std::move(skeleton), turnAround);
    return false;
  }
  // Read in pieces: the file is read once, front to back, and never held whole.
  in.SetBufferSize(QIFStream::kBufferSize);
  Load(in, name, std::move(skeleton), turnAround);
  return CompleteLoad(in);
}

bool AnimationRT::CompleteLoad(QIStream& in) {
  if (complete_) return true;
  if (broken_ || !hasPhase0_) return false;
  if (partlyLoaded_) return CompleteRuntimeLoad(in);
  if (!deferred_) return false;
  return SourceAnimationReader(*this, in).Complete();
}

bool AnimationRT::CompleteLoad() {
  if (complete_) return true;
  QIFStreamB in;
  if (!OpenEngineFile(in, name_)) {
    WarningMessage("Animation %s not found or empty", name_.c_str());
    return false;
  }
  return CompleteLoad(in);
}
