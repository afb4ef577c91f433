// Live figures of a running scan, written by the walk with relaxed stores
// and read by a user interface at its own pace; and the caller's way to
// stop the walk.
#ifndef OVIK_SCAN_PROGRESS_H_
#define OVIK_SCAN_PROGRESS_H_

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace ovik {

struct ScanProgress {
  std::atomic<std::uint64_t> files{0};
  std::atomic<std::uint64_t> bytes{0};
  std::atomic<std::uint64_t> directories{0};
  std::atomic<bool> cancel{false};  // set by the caller to stop the walk

  // Directory being listed, relative to the scan's root; updated
  // occasionally under the lock.
  void SetCurrentDirectory(const std::string& path);
  std::string CurrentDirectory() const;
  // The volume's table being read ("ext4 inode tables"); empty while the
  // scan walks.
  void SetMethod(const std::string& table);
  std::string Method() const;

 private:
  mutable std::mutex mutex_;
  std::string current_;
  std::string method_;
};

}  // namespace ovik

#endif  // OVIK_SCAN_PROGRESS_H_
