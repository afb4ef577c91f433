// A file system that passes every call on to another, except that opening
// a root waits until the test lets it, or fails for want of memory: so a
// test can hold a Find's walk at its start, cancel it there, or make it
// run out of memory.
#ifndef OVIK_TESTS_GATED_FILESYSTEM_H_
#define OVIK_TESTS_GATED_FILESYSTEM_H_

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
  // Shut unless |open|.
  explicit GatedFileSystem(FileSystem& real, bool open = false)
      : ForwardingFileSystem(real), released_(open) {}

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
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // A generous guard: a broken test fails instead of hanging.
      opened_.wait_for(lock, std::chrono::seconds(60),
                       [this] { return released_; });
      if (out_of_memory_) throw std::bad_alloc();
    }
    return ForwardingFileSystem::OpenRoot(path, root);
  }

 private:
  void Release(bool out_of_memory) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      released_ = true;
      out_of_memory_ = out_of_memory;
    }
    opened_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable opened_;
  bool released_;
  bool out_of_memory_ = false;
};

}  // namespace ovik

#endif  // OVIK_TESTS_GATED_FILESYSTEM_H_
