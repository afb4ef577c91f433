// What the history's tests share: a private directory for history files,
// scans made to order, and a file's bytes to compare before and after.
#ifndef OVIK_TESTS_HISTORY_HISTORY_TEST_UTIL_H_
#define OVIK_TESTS_HISTORY_HISTORY_TEST_UTIL_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "history/history.h"
#include "history/saved_scan.h"

namespace ovik::testing {

// A new directory, removed with everything in it when destroyed.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::chrono::sys_seconds Day(int day);  // 2024-01-01 plus |day| days

SavedOwner Owner(std::string uid, std::string name, std::uint64_t bytes,
                 std::vector<SavedDirectory> directories = {});

// A complete scan of /srv on volume "uuid:test" at |when|.
SavedScan Scan(std::chrono::sys_seconds when, std::vector<SavedOwner> owners);

// The whole content of |path|; empty when it cannot be read.
std::string Contents(const std::string& path);

std::unique_ptr<History> OpenForWriting(const std::string& path);

// |scan| as the history gives it back: its directories largest first.
SavedScan LargestFirst(SavedScan scan);

}  // namespace ovik::testing

namespace ovik {
// Short forms for failure messages.
void PrintTo(const SavedOwner& owner, std::ostream* out);
void PrintTo(const SavedScan& scan, std::ostream* out);
}  // namespace ovik

#endif  // OVIK_TESTS_HISTORY_HISTORY_TEST_UTIL_H_
