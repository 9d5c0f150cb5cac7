#pragma once
// Large blocks that a thread is done with: whole-file buffers, chunks of preprocessed text.
//
// Freeing a block of megabytes gives its pages back to the system, and whatever the thread
// builds next (a configuration tree parsed from that text, say) takes fresh pages, each
// costing a fault and a cleared page. A thread that knows it is about to build something
// big installs a receiver, and released blocks go to it instead, pages and all.
#include <cstddef>
#include <memory>

// Takes over the large blocks released on its thread while it is installed.
class LargeBlockReceiver {
 public:
  virtual ~LargeBlockReceiver() = default;
  // Takes `block` (`size` bytes from new char[]) over, leaving it null, or leaves it to be
  // freed.
  virtual void Receive(std::unique_ptr<char[]>& block, size_t size) = 0;
};

// Blocks below this size are freed at once: they are not worth handing on.
inline constexpr size_t kMinLargeBlock = size_t{1} << 20;

// Hands `block` (`size` bytes from new char[]) to the calling thread's receiver, or frees it.
void ReleaseLargeBlock(std::unique_ptr<char[]> block, size_t size);

// Installs a receiver on the calling thread for the life of this object; the one it
// replaces comes back afterwards.
class ScopedLargeBlockReceiver {
 public:
  explicit ScopedLargeBlockReceiver(LargeBlockReceiver& receiver);
  ~ScopedLargeBlockReceiver();
  ScopedLargeBlockReceiver(const ScopedLargeBlockReceiver&) = delete;
  ScopedLargeBlockReceiver& operator=(const ScopedLargeBlockReceiver&) = delete;

 private:
  LargeBlockReceiver* previous_;
};
