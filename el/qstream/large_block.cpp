#include "el/qstream/large_block.h"

namespace {

thread_local LargeBlockReceiver* tReceiver = nullptr;

}  // namespace

void ReleaseLargeBlock(std::unique_ptr<char[]> block, size_t size) {
  if (block && size >= kMinLargeBlock && tReceiver) tReceiver->Receive(block, size);
}

ScopedLargeBlockReceiver::ScopedLargeBlockReceiver(LargeBlockReceiver& receiver) : previous_(tReceiver) {
  tReceiver = &receiver;
}

ScopedLargeBlockReceiver::~ScopedLargeBlockReceiver() { tReceiver = previous_; }
