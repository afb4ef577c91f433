#include "platform/file_writer.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

// The writer's three steps as the program takes them.
#include "dialog/report_out.h"

namespace ovik {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileDirectly(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return 0;
  return info.st_mode;
}

// Runs |body| in a child process and returns its exit code, or -1 when
// the child did not exit normally. Privileges are dropped to nobody first
// when |as_nobody| is set and the tests run as root.
template <typename Body>
int RunInChild(bool as_nobody, Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (as_nobody && geteuid() == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 ||
          setuid(kNobody) != 0) {
        _exit(100);
      }
    }
    _exit(body());
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
    return -1;
  }
  return WEXITSTATUS(status);
}

class FileWriterTest : public testing::Test {
 protected:
  void SetUp() override {
    // In /tmp, not $TMPDIR: the unprivileged child of the permission
    // tests must reach it, or they would pass for the wrong reason.
    std::string pattern = "/tmp/ovik-writer-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::all, ignored);
    for (const auto& entry : fs::recursive_directory_iterator(dir_, ignored)) {
      if (entry.is_directory(ignored)) {
        fs::permissions(entry.path(), fs::perms::owner_all,
                        fs::perm_options::add, ignored);
      }
    }
    fs::remove_all(dir_, ignored);
  }
  // The names in |dir|, sorted; a leftover temporary shows up here.
  std::vector<std::string> Entries(const fs::path& dir) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
      names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
};

TEST_F(FileWriterTest, AWriterGivenUpBeforeCommitLeavesNothingBehind) {
  const fs::path path = dir_ / "kept.txt";
  WriteFileDirectly(path, "old");
  {
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.Create(path).ok());
    ASSERT_TRUE(writer.Write("new").ok());
  }
  EXPECT_EQ(ReadFile(path), "old");
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"kept.txt"});
  // A step that fails says why.
  AtomicFileWriter nowhere;
  EXPECT_EQ(nowhere.Create(dir_ / "missing" / "r.txt").code(),
            StatusCode::kNotFound);
  AtomicFileWriter directory;
  EXPECT_FALSE(directory.Create(dir_).ok());
}

TEST_F(FileWriterTest, NewFileGetsTheBytesAndTheUmaskMode) {
  const mode_t old_mask = umask(027);
  const fs::path path = dir_ / "new.txt";
  const std::string bytes = std::string("a\r\nb\0c", 6) + std::string(100000, 'x');
  const ReportFileResult status = WriteReportFile(path, bytes);
  umask(old_mask);
  ASSERT_EQ(status, ReportFileResult::kWritten);
  EXPECT_EQ(ReadFile(path), bytes);
  EXPECT_EQ(ModeOf(path) & 07777, 0640u);
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"new.txt"});

  // An empty text makes an empty file.
  ASSERT_EQ(WriteReportFile(dir_ / "empty.txt", ""), ReportFileResult::kWritten);
  EXPECT_TRUE(fs::exists(dir_ / "empty.txt"));
  EXPECT_EQ(fs::file_size(dir_ / "empty.txt"), 0u);
}

TEST_F(FileWriterTest, ExistingFileIsReplacedAndKeepsItsMode) {
  const fs::path path = dir_ / "old.txt";
  WriteFileDirectly(path, std::string(5000, 'o'));
  ASSERT_EQ(chmod(path.c_str(), 0604), 0);
  ASSERT_EQ(WriteReportFile(path, "short"), ReportFileResult::kWritten);
  EXPECT_EQ(ReadFile(path), "short");
  EXPECT_EQ(ModeOf(path) & 07777, 0604u);
  EXPECT_TRUE(S_ISREG(ModeOf(path)));
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"old.txt"});
}

TEST_F(FileWriterTest, RootKeepsTheOwnerOfAReplacedFile) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give files away";
  const fs::path path = dir_ / "theirs.txt";
  WriteFileDirectly(path, "old");
  ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_EQ(WriteReportFile(path, "new"), ReportFileResult::kWritten);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, kNobody);
  EXPECT_EQ(info.st_gid, kNobody);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadFile(path), "new");
}

TEST_F(FileWriterTest, SymbolicLinksAreFollowedAndStayLinks) {
  fs::create_directory(dir_ / "real");
  const fs::path target = dir_ / "real" / "report.txt";
  WriteFileDirectly(target, "before");
  ASSERT_EQ(chmod(target.c_str(), 0600), 0);
  // A relative link to a relative link.
  fs::create_symlink("real/report.txt", dir_ / "link1");
  fs::create_symlink("link1", dir_ / "link2");

  ASSERT_EQ(WriteReportFile(dir_ / "link2", "after"), ReportFileResult::kWritten);
  EXPECT_TRUE(fs::is_symlink(dir_ / "link1"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link2"));
  EXPECT_EQ(fs::read_symlink(dir_ / "link2"), "link1");
  EXPECT_EQ(ReadFile(target), "after");
  EXPECT_EQ(ModeOf(target) & 07777, 0600u);
  EXPECT_EQ(Entries(dir_ / "real"), std::vector<std::string>{"report.txt"});

  // A dangling link creates the file it names.
  fs::create_symlink(dir_ / "real" / "fresh.txt", dir_ / "dangling");
  ASSERT_EQ(WriteReportFile(dir_ / "dangling", "fresh"), ReportFileResult::kWritten);
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling"));
  EXPECT_EQ(ReadFile(dir_ / "real" / "fresh.txt"), "fresh");
}

TEST_F(FileWriterTest, LinksInASharedDirectoryAreFollowedOnlyFromTrustedOwners) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give links to nobody";
  fs::create_directory(dir_ / "real");
  const fs::path real = dir_ / "real" / "report.txt";
  // Directory mode, its owner, the link's owner, and whether the writer
  // follows the link; a sticky directory writable by all is where the
  // kernel's rule for shared directories applies.
  const std::tuple<mode_t, uid_t, uid_t, bool> cases[] = {
      {01777, 0, kNobody, false},      {01777, 0, 0, true},
      {01777, kNobody, kNobody, true}, {00777, 0, kNobody, true},
      {01775, 0, kNobody, true},
  };
  for (const auto& [mode, dir_owner, link_owner, followed] : cases) {
    const fs::path shared = dir_ / "shared";
    fs::remove_all(shared);
    fs::create_directory(shared);
    ASSERT_EQ(chown(shared.c_str(), dir_owner, 0), 0);
    ASSERT_EQ(chmod(shared.c_str(), mode), 0);
    // A chain: a link of root's to the link under test.
    fs::create_symlink(real, shared / "link");
    ASSERT_EQ(lchown((shared / "link").c_str(), link_owner, 0), 0);
    fs::create_symlink(shared / "link", dir_ / "mine");
    WriteFileDirectly(real, "old");
    SCOPED_TRACE(testing::Message() << std::oct << mode << std::dec << " dir of "
                                    << dir_owner << ", link of " << link_owner);
    std::string refused;
    EXPECT_EQ(WriteReportFile(dir_ / "mine", "new", {}, &refused),
              followed ? ReportFileResult::kWritten
                       : ReportFileResult::kNotCreated);
    EXPECT_EQ(ReadFile(real), followed ? "new" : "old");
    EXPECT_EQ(refused, followed ? "" : (shared / "link").string());
    fs::remove(dir_ / "mine");
  }
}

// The attack on a root writer: in a shared directory, another account
// swaps the target's name between a file of its own and a link to a file
// of root's as fast as it can, while root writes there again and again.
// The file of root's must never change.
TEST_F(FileWriterTest, RootCannotBeSteeredByALinkSwappedIntoASharedDirectory) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root: the attack is on root";
  // The writer keeps the rule itself, so the attack is tried whatever
  // fs.protected_symlinks says (a setting of the whole machine).
  const fs::path guarded = dir_ / "root-only";
  fs::create_directory(guarded);
  ASSERT_EQ(chmod(guarded.c_str(), 0700), 0);
  const fs::path secret = guarded / "v";
  WriteFileDirectly(secret, "root's own bytes");
  const fs::path shared = dir_ / "shared";
  fs::create_directory(shared);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  const fs::path target = shared / "r.txt";
  const fs::path side = shared / "side";

  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t attacker = fork();
  ASSERT_GE(attacker, 0);
  if (attacker == 0) {
    close(ready[0]);
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 ||
        setuid(kNobody) != 0) {
      _exit(100);
    }
    const int own = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    const char answer = own >= 0 ? 'R' : 'E';
    if (write(ready[1], &answer, 1) != 1 || own < 0) _exit(101);
    close(own);
    for (int round = 0; round < 100000000; ++round) {
      unlink(side.c_str());
      if (symlink(secret.c_str(), side.c_str()) != 0) continue;
      renameat2(AT_FDCWD, target.c_str(), AT_FDCWD, side.c_str(),
                RENAME_EXCHANGE);
      renameat2(AT_FDCWD, target.c_str(), AT_FDCWD, side.c_str(),
                RENAME_EXCHANGE);
    }
    _exit(0);
  }
  close(ready[1]);
  char answer = 0;
  const bool started = read(ready[0], &answer, 1) == 1 && answer == 'R';
  close(ready[0]);
  int refused = 0;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (int run = 0; started && run < 5000 &&
                    std::chrono::steady_clock::now() < deadline;
       ++run) {
    std::string link;
    WriteReportFile(target, "the report\r\n", {}, &link);
    refused += !link.empty();
  }
  kill(attacker, SIGKILL);
  waitpid(attacker, nullptr, 0);
  if (!started) GTEST_SKIP() << "nobody cannot reach " << shared;
  EXPECT_EQ(ReadFile(secret), "root's own bytes");
  EXPECT_EQ(Entries(guarded), std::vector<std::string>{"v"});
  EXPECT_GT(refused, 0);  // the attack did run: writes met the link
  // Nothing but the two names the attacker swaps.
  EXPECT_LE(Entries(shared).size(), 2u);
}

TEST_F(FileWriterTest, LinkLoopCannotBeCreated) {
  fs::create_symlink("b", dir_ / "a");
  fs::create_symlink("a", dir_ / "b");
  EXPECT_EQ(WriteReportFile(dir_ / "a", "x"), ReportFileResult::kNotCreated);
  EXPECT_TRUE(fs::is_symlink(dir_ / "a"));
}

TEST_F(FileWriterTest, DirectoriesAndMissingDirectoriesCannotBeCreated) {
  fs::create_directory(dir_ / "sub");
  WriteFileDirectly(dir_ / "sub" / "inside", "kept");
  EXPECT_EQ(WriteReportFile(dir_ / "sub", "x"), ReportFileResult::kNotCreated);
  EXPECT_TRUE(fs::is_directory(dir_ / "sub"));
  EXPECT_EQ(ReadFile(dir_ / "sub" / "inside"), "kept");

  EXPECT_EQ(WriteReportFile(dir_ / "no" / "such.txt", "x"),
            ReportFileResult::kNotCreated);
  EXPECT_EQ(WriteReportFile((dir_ / "nodir").string() + "/", "x"),
            ReportFileResult::kNotCreated);
  EXPECT_EQ(WriteReportFile("", "x"), ReportFileResult::kNotCreated);
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"sub"});
}

TEST_F(FileWriterTest, UnwritableDirectoryCannotBeCreated) {
  const fs::path locked = dir_ / "locked";
  fs::create_directory(locked);
  WriteFileDirectly(locked / "old.txt", "old bytes");
  ASSERT_EQ(chmod((locked / "old.txt").c_str(), 0666), 0);
  ASSERT_EQ(chmod(locked.c_str(), 0555), 0);

  // Root writes anywhere, so the attempt runs as nobody.
  const int result = RunInChild(true, [&] {
    const ReportFileResult fresh = WriteReportFile(locked / "new.txt", "x");
    // The file itself is writable, but it cannot be replaced safely.
    const ReportFileResult existing = WriteReportFile(locked / "old.txt", "x");
    return (fresh == ReportFileResult::kNotCreated ? 0 : 1) +
           (existing == ReportFileResult::kNotCreated ? 0 : 2);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadFile(locked / "old.txt"), "old bytes");
  EXPECT_EQ(Entries(locked), std::vector<std::string>{"old.txt"});
}

TEST_F(FileWriterTest, ReadOnlyFileIsNotReplaced) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to hand the file to nobody";
  // nobody may write the directory but not the file.
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  const fs::path path = dir_ / "readonly.txt";
  WriteFileDirectly(path, "keep me");
  ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  const int result = RunInChild(true, [&] {
    return WriteReportFile(path, "x") == ReportFileResult::kNotCreated ? 0
                                                                       : 1;
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadFile(path), "keep me");
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"readonly.txt"});
}

TEST_F(FileWriterTest, FailedWriteLeavesTheExistingFileIntact) {
  const fs::path path = dir_ / "precious.txt";
  const std::string old_bytes = "precious old report\r\n";
  WriteFileDirectly(path, old_bytes);
  // A file size limit makes write() fail with EFBIG part way through.
  const int result = RunInChild(false, [&] {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {};
    limit.rlim_cur = 4096;
    limit.rlim_max = 4096;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 100;
    const ReportFileResult status =
        WriteReportFile(path, std::string(100000, 'n'));
    return status == ReportFileResult::kNotWritten ? 0 : 1;
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadFile(path), old_bytes);
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"precious.txt"});
}

TEST(FileWriterDeviceTest, FullDeviceFailsAndStaysADevice) {
  struct stat before {};
  if (stat("/dev/full", &before) != 0 || !S_ISCHR(before.st_mode)) {
    GTEST_SKIP() << "no /dev/full here";
  }
  EXPECT_EQ(WriteReportFile("/dev/full", "report"),
            ReportFileResult::kNotWritten);
  struct stat after {};
  ASSERT_EQ(lstat("/dev/full", &after), 0);
  EXPECT_TRUE(S_ISCHR(after.st_mode));
  EXPECT_EQ(after.st_rdev, before.st_rdev);
  EXPECT_EQ(after.st_mode, before.st_mode);
}

TEST(FileWriterDeviceTest, NullDeviceIsWrittenInPlace) {
  struct stat before {};
  if (stat("/dev/null", &before) != 0 || !S_ISCHR(before.st_mode)) {
    GTEST_SKIP() << "no /dev/null here";
  }
  EXPECT_EQ(WriteReportFile("/dev/null", "report"), ReportFileResult::kWritten);
  struct stat after {};
  ASSERT_EQ(lstat("/dev/null", &after), 0);
  EXPECT_TRUE(S_ISCHR(after.st_mode));
  EXPECT_EQ(after.st_rdev, before.st_rdev);
}

TEST_F(FileWriterTest, FifoIsWrittenInPlace) {
  const fs::path fifo = dir_ / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string bytes(200000, 'p');  // more than a pipe buffer holds
  std::string received;
  std::thread reader([&] {
    const int fd = open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    char buffer[8192];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) {
      received.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
  });
  const ReportFileResult status = WriteReportFile(fifo, bytes);
  reader.join();
  EXPECT_EQ(status, ReportFileResult::kWritten);
  EXPECT_EQ(received, bytes);
  EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"pipe"});
}

TEST_F(FileWriterTest, DescriptorLinkOfARegularFileIsWrittenInPlace) {
  // /dev/stdout redirected to a file reaches it through /proc; the file
  // is appended to through that descriptor, never renamed over.
  const fs::path path = dir_ / "stdout.txt";
  WriteFileDirectly(path, "head\n");
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  struct stat before {};
  ASSERT_EQ(fstat(fd, &before), 0);
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  if (!fs::exists(link)) {
    close(fd);
    GTEST_SKIP() << "no /proc here";
  }
  EXPECT_EQ(WriteReportFile(link, "tail\n"), ReportFileResult::kWritten);
  std::string expected = "head\ntail\n";
  // /dev/fd is itself a link to the same directory of /proc.
  const std::string dev_fd = "/dev/fd/" + std::to_string(fd);
  if (fs::is_symlink("/dev/fd") && fs::exists(dev_fd)) {
    EXPECT_EQ(WriteReportFile(dev_fd, "more\n"), ReportFileResult::kWritten);
    expected += "more\n";
  }
  close(fd);
  EXPECT_EQ(ReadFile(path), expected);
  struct stat after {};
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

}  // namespace
}  // namespace ovik
