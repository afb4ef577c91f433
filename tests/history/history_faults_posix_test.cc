// The history under faults: processes saving at once, a process killed
// half way through a save, files that are not histories or cannot be
// written, a full disk. Each must end in a clear message naming the file,
// and leave the file as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "history/history.h"
#include "tests/history/history_test_util.h"

namespace ovik {
namespace {

using testing::Contents;
using testing::Day;
using testing::OpenForWriting;
using testing::Owner;
using testing::Scan;
using testing::ScratchDirectory;

constexpr int kSkip = 77;

// In a child: says what |status| said, and ends with |code|.
int Failed(int code, const HistoryStatus& status) {
  std::fprintf(stderr, "%s\n", status.message().c_str());
  return code;
}

// A scan of |owners| owners with ten directories each.
SavedScan Wide(int day, int owners) {
  std::vector<SavedOwner> list;
  for (int i = 0; i < owners; ++i) {
    std::vector<SavedDirectory> dirs;
    for (int d = 0; d < 10; ++d) {
      dirs.push_back({"home/u" + std::to_string(i) + "/d" + std::to_string(d),
                      static_cast<std::uint64_t>(1000 + day + d), 1});
    }
    list.push_back(Owner(std::to_string(1000 + i), "user" + std::to_string(i),
                         1 << 20, dirs));
  }
  return Scan(Day(day), std::move(list));
}

// Runs |body| in a child process: its exit status, -1 when it did not
// exit.
int InChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
    return -1;
  }
  return WEXITSTATUS(status);
}

// In a child: |dir| becomes a small file system of its own, seen by this
// process alone. False when the system does not allow it.
bool MountPrivateTmpfs(const std::string& dir, const char* size) {
  return unshare(CLONE_NEWNS) == 0 &&
         mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount("tmpfs", dir.c_str(), "tmpfs", 0,
               (std::string("mode=0700,size=") + size).c_str()) == 0;
}

// Every row of every table, counted: a save that landed in part changes
// it.
std::string RowCounts(const std::string& path) {
  sqlite3* db = nullptr;
  std::string counts;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
      SQLITE_OK) {
    for (const char* table : {"series", "who", "scan", "figures", "dirset"}) {
      sqlite3_stmt* statement = nullptr;
      const std::string sql = std::string("SELECT count(*) FROM ") + table;
      if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) ==
              SQLITE_OK &&
          sqlite3_step(statement) == SQLITE_ROW) {
        counts += std::string(table) + "=" +
                  std::to_string(sqlite3_column_int64(statement, 0)) + " ";
      }
      sqlite3_finalize(statement);
    }
  }
  sqlite3_close(db);
  return counts;
}

// Processes that set up a new file at the same moment are the hard case:
// each holds a read lock it wants to make exclusive.
TEST(HistoryFaultsTest, ProcessesSavingAtOnceAllLand) {
  constexpr int kProcesses = 4;
  ScratchDirectory dir;
  const std::string path = dir.File("new/history.sqlite");  // not there yet
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  std::vector<pid_t> children;
  for (int child = 0; child < kProcesses; ++child) {
    const pid_t pid = fork();
    if (pid == 0) {
      char start;
      if (read(go[0], &start, 1) != 1) _exit(2);
      std::unique_ptr<History> history = OpenForWriting(path);
      if (!history) _exit(1);
      for (int i = 0; i < 10; ++i) {
        const HistoryStatus status = history->Save(Wide(i, 100 + child));
        if (!status.ok()) {
          std::fprintf(stderr, "%s\n", status.message().c_str());
          _exit(1);
        }
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  ASSERT_EQ(write(go[1], "GOGO", kProcesses), kProcesses);
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::unique_ptr<History> history;
  ASSERT_TRUE(History::Open(path, {}, &history).ok());
  std::vector<ScanFacts> scans;
  ASSERT_TRUE(history->List({}, &scans).ok());
  EXPECT_EQ(scans.size(), 10u * kProcesses);
  for (const ScanFacts& facts : scans) {
    SavedScan scan;
    ASSERT_TRUE(
        history->Load(facts.id, LoadWhat::kFiguresAndDirectories, &scan).ok());
    EXPECT_EQ(scan.owners.size(), facts.owner_count);
  }
}

TEST(HistoryFaultsTest, AProcessKilledWhileSavingLeavesTheHistoryAsItWas) {
  ScratchDirectory dir;
  const std::string path = dir.File("history.sqlite");
  std::int64_t first = 0;
  ASSERT_TRUE(OpenForWriting(path)->Save(Wide(0, 50), &first).ok());
  const std::string before = RowCounts(path);

  int stopped[2];
  ASSERT_EQ(pipe(stopped), 0);
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    std::unique_ptr<History> history = OpenForWriting(path);
    int writes = 0;
    // Half way through the owners' directories: say so, and wait to die.
    history->OnEachWrite([&] {
      if (++writes == 100) {
        if (write(stopped[1], "!", 1) != 1) _exit(3);
        pause();
      }
    });
    (void)history->Save(Wide(1, 400));
    _exit(4);  // the save never got that far
  }
  char seen = 0;
  ASSERT_EQ(read(stopped[0], &seen, 1), 1);
  kill(pid, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status));

  std::unique_ptr<History> history = OpenForWriting(path);
  ASSERT_NE(history, nullptr);
  std::vector<ScanFacts> scans;
  ASSERT_TRUE(history->List({}, &scans).ok());
  ASSERT_EQ(scans.size(), 1u);
  SavedScan kept;
  ASSERT_TRUE(
      history->Load(first, LoadWhat::kFiguresAndDirectories, &kept).ok());
  EXPECT_EQ(kept.owners, testing::LargestFirst(Wide(0, 50)).owners);
  history.reset();
  EXPECT_EQ(RowCounts(path), before);
}

TEST(HistoryFaultsTest, WhatIsNoHistoryIsRefusedAndLeftAsItIs) {
  ScratchDirectory dir;
  const std::string saved = dir.File("saved.sqlite");
  ASSERT_TRUE(OpenForWriting(saved)->Save(Wide(0, 300)).ok());
  const std::string history = Contents(saved);
  ASSERT_GT(history.size(), 3 * 4096u);

  std::string foreign = dir.File("foreign.sqlite");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);

  std::string damaged = history;  // its first page kept, the rest garbage
  std::fill(damaged.begin() + 4096, damaged.end(), '\x5a');
  const struct {
    const char* name;
    std::string bytes;  // empty: made above
    const char* said;
  } kCases[] = {
      {"text.sqlite", std::string(10000, 'x'), "not a history"},
      {"foreign.sqlite", "", "not a history"},
      {"damaged.sqlite", damaged, "damaged"},
      {"cut.sqlite", history.substr(0, history.size() / 2), "damaged"},
  };
  for (const auto& c : kCases) {
    const std::string path = dir.File(c.name);
    if (!c.bytes.empty()) std::ofstream(path, std::ios::binary) << c.bytes;
    const std::string before = Contents(path);
    std::unique_ptr<History> opened;
    HistoryOptions options;
    options.write = true;
    HistoryStatus status = History::Open(path, options, &opened);
    if (status.ok()) status = opened->Save(Wide(1, 300));
    opened.reset();
    EXPECT_FALSE(status.ok()) << c.name;
    EXPECT_NE(status.message().find(path), std::string::npos)
        << status.message();
    EXPECT_NE(status.message().find(c.said), std::string::npos)
        << status.message();
    EXPECT_EQ(Contents(path), before) << c.name;
    EXPECT_NE(access((path + "-wal").c_str(), F_OK), 0) << c.name;
  }
}

TEST(HistoryFaultsTest, AFileThatCannotBeWrittenIsNamedAndLeftAsItIs) {
  ScratchDirectory dir;
  const std::string path = dir.File("history.sqlite");
  // Root writes whatever the modes say: a file system mounted read-only
  // in a namespace of the child's own stops it.
  const int result = InChild([&] {
    const bool root = geteuid() == 0;
    if (root && !MountPrivateTmpfs(dir.path(), "4m")) return kSkip;
    if (!OpenForWriting(path)->Save(Wide(0, 20)).ok()) return 10;
    const std::string before = Contents(path);
    if (root ? mount(nullptr, dir.path().c_str(), nullptr,
                     MS_REMOUNT | MS_RDONLY, nullptr) != 0
             : chmod(path.c_str(), 0400) != 0) {
      return 11;
    }
    std::unique_ptr<History> history;
    HistoryOptions options;
    options.write = true;
    const HistoryStatus status = History::Open(path, options, &history);
    if (status.code() != StatusCode::kAccessDenied) return Failed(12, status);
    if (status.message().find(path + ": cannot be written") ==
        std::string::npos) {
      return Failed(13, status);
    }
    return Contents(path) == before ? 0 : 14;
  });
  if (result == kSkip) {
    GTEST_SKIP() << "this system does not let root mount a file system in a "
                    "namespace of its own";
  }
  EXPECT_EQ(result, 0);
}

TEST(HistoryFaultsTest, AFullDiskIsNamedAndLeavesTheHistoryAsItWas) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root to mount a small file system to fill";
  }
  ScratchDirectory dir;
  const std::string path = dir.File("history.sqlite");
  const int result = InChild([&] {
    if (!MountPrivateTmpfs(dir.path(), "2m")) return kSkip;
    if (!OpenForWriting(path)->Save(Wide(0, 100)).ok()) return 10;
    const std::string before = Contents(path);
    // Room for the log's index and a few pages, not for the save.
    struct statvfs fs;
    if (statvfs(dir.path().c_str(), &fs) != 0) return 11;
    const auto room = static_cast<long long>(fs.f_bavail * fs.f_frsize);
    std::ofstream(dir.File("filler"), std::ios::binary)
        << std::string(static_cast<std::size_t>(room - 64 * 1024), 'f');
    std::unique_ptr<History> history = OpenForWriting(path);
    if (!history) return 12;
    const HistoryStatus status = history->Save(Wide(1, 2000));
    history.reset();
    if (status.code() != StatusCode::kNoSpace) return Failed(13, status);
    if (status.message().find(path + ": the disk is full") ==
        std::string::npos) {
      return Failed(14, status);
    }
    if (Contents(path) != before) return 15;
    // With room again, the history takes the save.
    unlink(dir.File("filler").c_str());
    return OpenForWriting(path)->Save(Wide(1, 2000)).ok() ? 0 : 16;
  });
  if (result == kSkip) {
    GTEST_SKIP() << "this system does not let root mount a file system in a "
                    "namespace of its own";
  }
  EXPECT_EQ(result, 0);
}

TEST(HistoryFaultsTest, ALinkOrAnotherUsersFileIsRefused) {
  ScratchDirectory dir;
  const std::string target = dir.File("target");
  std::ofstream(target) << "not to be written";
  const std::string link = dir.File("link.sqlite");
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  std::vector<std::pair<std::string, std::string>> cases = {
      {link, "symbolic link"}};
  if (geteuid() == 0) {
    const std::string theirs = dir.File("theirs.sqlite");
    std::ofstream(theirs) << "";
    ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
    cases.emplace_back(theirs, "belongs to uid 65534");
    const std::string shared = dir.File("shared");
    ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    cases.emplace_back(shared + "/h.sqlite", "can be written by others");
  }
  for (const auto& [path, said] : cases) {
    std::unique_ptr<History> history;
    HistoryOptions options;
    options.write = true;
    options.create = true;
    const HistoryStatus status = History::Open(path, options, &history);
    EXPECT_FALSE(status.ok()) << path;
    EXPECT_NE(status.message().find(path + ": "), std::string::npos)
        << status.message();
    EXPECT_NE(status.message().find(said), std::string::npos)
        << status.message();
  }
  EXPECT_EQ(Contents(target), "not to be written");
  EXPECT_NE(access(dir.File("shared/h.sqlite").c_str(), F_OK), 0);
}

}  // namespace
}  // namespace ovik
