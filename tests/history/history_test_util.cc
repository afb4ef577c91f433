#include "tests/history/history_test_util.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace ovik::testing {

ScratchDirectory::ScratchDirectory() {
  std::string pattern = ::testing::TempDir() + "/ovik_history_XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  EXPECT_FALSE(path_.empty())
      << "cannot make a directory in " << ::testing::TempDir();
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::chrono::sys_seconds Day(int day) {
  using namespace std::chrono;
  return sys_days(year(2024) / January / 1) + days(day) + hours(2);
}

SavedOwner Owner(std::string uid, std::string name, std::uint64_t bytes,
                 std::vector<SavedDirectory> directories) {
  SavedOwner owner;
  owner.who = {WhoKind::kUid, std::move(uid)};
  owner.name = std::move(name);
  owner.bytes = bytes;
  owner.files = bytes / 1000 + 1;
  owner.directories = std::move(directories);
  return owner;
}

SavedScan Scan(std::chrono::sys_seconds when, std::vector<SavedOwner> owners) {
  SavedScan scan;
  scan.facts.series = {"uuid:test", "/"};
  scan.facts.started = when;
  scan.facts.finished = when + std::chrono::minutes(3);
  scan.facts.root = "/srv";
  scan.facts.mount_point = "/srv";
  scan.facts.method = "walk";
  scan.facts.threads = 4;
  scan.facts.complete = true;
  for (const SavedOwner& o : owners) scan.facts.total_bytes += o.bytes;
  scan.facts.capacity_bytes = 1ull << 40;
  scan.owners = std::move(owners);
  return scan;
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::unique_ptr<History> OpenForWriting(const std::string& path) {
  std::unique_ptr<History> history;
  HistoryOptions options;
  options.write = true;
  options.create = true;
  const HistoryStatus status = History::Open(path, options, &history);
  EXPECT_TRUE(status.ok()) << status.message();
  return history;
}

SavedScan LargestFirst(SavedScan scan) {
  for (SavedOwner& owner : scan.owners) {
    std::stable_sort(owner.directories.begin(), owner.directories.end(),
                     [](const SavedDirectory& a, const SavedDirectory& b) {
                       return a.bytes != b.bytes ? a.bytes > b.bytes
                                                 : a.path < b.path;
                     });
  }
  return scan;
}

}  // namespace ovik::testing

namespace ovik {

void PrintTo(const SavedOwner& owner, std::ostream* out) {
  *out << WhoKindName(owner.who.kind) << ":" << owner.who.id << " \""
       << owner.name << "\" " << owner.bytes << " bytes " << owner.files
       << " files, " << owner.directories.size() << " directories";
  for (const SavedDirectory& d : owner.directories) {
    *out << " [" << d.path << " " << d.bytes << "]";
  }
}

void PrintTo(const SavedScan& scan, std::ostream* out) {
  *out << "scan " << scan.facts.id << " of " << scan.facts.root << " at "
       << scan.facts.started.time_since_epoch().count() << ":";
  for (const SavedOwner& o : scan.owners) PrintTo(o, &(*out << "\n  "));
  for (const SavedOwner& o : scan.groups) PrintTo(o, &(*out << "\n  group "));
}

}  // namespace ovik
