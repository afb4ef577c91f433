// A file system that passes every call on to another, except that opening
// a root (or listing past some entries) waits until the test lets it, or
// fails for want of memory: so a test can hold a Find's walk, cancel it
// there, or make it run out of memory.
#ifndef OVIK_TESTS_GATED_FILESYSTEM_H_
#define OVIK_TESTS_GATED_FILESYSTEM_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "platform/filesystem.h"
#include "tests/forwarding_filesystem.h"

namespace ovik {

class GatedFileSystem : public ForwardingFileSystem {
 public:
  // Shut unless |open|. With |free_entries| of 0 or more, roots open at
  // once and the entries listed after the first |free_entries| wait
  // instead: a walk held with progress to show.
  explicit GatedFileSystem(FileSystem& real, bool open = false,
                           int free_entries = -1)
      : ForwardingFileSystem(real),
        released_(open),
        free_entries_(free_entries) {}

  // Lets the roots waiting now and later open.
  void Open() { Release(false); }
  // Makes roots wait again.
  void Shut() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = false;
  }
  // Makes the roots waiting now and later fail with std::bad_alloc.
  void RunOutOfMemory() { Release(true); }

  Status OpenRoot(std::string_view path,
                  std::unique_ptr<Directory>* root) override {
    if (free_entries_ < 0) Wait();
    return ForwardingFileSystem::OpenRoot(path, root);
  }

 private:
  void AdjustEntry(Entry* /*entry*/) const override {
    if (free_entries_ >= 0 && listed_++ >= free_entries_) Wait();
  }

  void Wait() const {
    std::unique_lock<std::mutex> lock(mutex_);
    // A generous guard: a broken test fails instead of hanging.
    opened_.wait_for(lock, std::chrono::seconds(60),
                     [this] { return released_; });
    if (out_of_memory_) throw std::bad_alloc();
  }

  void Release(bool out_of_memory) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      released_ = true;
      out_of_memory_ = out_of_memory;
    }
    opened_.notify_all();
  }

  mutable std::mutex mutex_;
  mutable std::condition_variable opened_;
  bool released_;
  bool out_of_memory_ = false;
  const int free_entries_;
  mutable std::atomic<int> listed_{0};
};

}  // namespace ovik

#endif  // OVIK_TESTS_GATED_FILESYSTEM_H_
