#include "el/qstream/read_recorder.h"

#include <unordered_set>

namespace {

struct ReadRecord {
  bool on = false;
  std::vector<std::string> paths;
  std::unordered_set<std::string> known;
};

ReadRecord& Record() {
  static ReadRecord record;
  return record;
}

}  // namespace

void StartRecordingReads() {
  ReadRecord& record = Record();
  record.paths.clear();
  record.known.clear();
  record.on = true;
}

void StopRecordingReads() { Record().on = false; }

bool RecordingReads() { return Record().on; }

void RecordRead(const std::string& hostPath) {
  ReadRecord& record = Record();
  if (!record.on) return;
  if (record.known.insert(hostPath).second) record.paths.push_back(hostPath);
}

const std::vector<std::string>& RecordedReads() { return Record().paths; }
