// The master file table through the real Win32 calls: drive N: of the
// test prefix has an NTFS image for its raw volume (tests/wine/wine-env.sh
// makes it and says what it holds in OVIK_TEST_NTFS_*).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/filesystem.h"
#include "platform/ntfs/raw_volume_win32.h"
#include "tests/win32_test_util.h"

namespace ovik {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

struct Totals : TableSink {
  std::mutex mutex;
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  std::uint64_t unreadable = 0;
  std::set<std::string> owners;
  void Add(const Entry& entry) override {
    std::lock_guard<std::mutex> lock(mutex);
    ++files;
    bytes += entry.size;
    if (entry.owner_status != OwnerStatus::kKnown) ++unreadable;
    owners.insert(entry.owner_key);
  }
};

#define OVIK_NEED_NTFS_DRIVE()                                               \
  if (Env("OVIK_TEST_NTFS_DRIVE").empty()) {                                 \
    GTEST_SKIP() << "no NTFS image drive: tests/wine/wine-env.sh makes one " \
                    "where mkntfs and ntfscp are installed";                 \
  }

TEST(NtfsTableWin32Test, ReadsTheTableOfAnImageDrive) {
  OVIK_NEED_NTFS_DRIVE();
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  TableOpenResult opened = fs->OpenTable(Env("OVIK_TEST_NTFS_DRIVE") + "\\");
  ASSERT_NE(opened.table, nullptr) << opened.reason;
  EXPECT_EQ(opened.table->Description(), "NTFS master file table");
  Totals totals;
  for (unsigned part = 0; part < opened.table->PartCount(); ++part) {
    ASSERT_TRUE(opened.table->ReadPart(part, totals).ok());
  }
  EXPECT_EQ(totals.files, std::stoull(Env("OVIK_TEST_NTFS_FILES")));
  EXPECT_EQ(totals.bytes, std::stoull(Env("OVIK_TEST_NTFS_BYTES")));
  EXPECT_EQ(totals.unreadable, 0u);
  // The tool that copied the files in gives them to the Administrators.
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  ASSERT_TRUE(
      CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size));
  ASSERT_EQ(totals.owners.size(), 1u);
  EXPECT_EQ(*totals.owners.begin(),
            std::string(reinterpret_cast<const char*>(sid), size));
  std::string name;
  ASSERT_TRUE(fs->LookupOwnerName(*totals.owners.begin(), &name).ok());
  EXPECT_EQ(name, fs->AdministratorsName());
}

TEST(NtfsTableWin32Test, RefusesPathsThatAreNoLocalNtfsRoot) {
  win32_test::ScratchDirectory scratch;
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  const struct {
    std::string path;
    TableRefusal refusal;
  } cases[] = {
      {scratch.utf8(), TableRefusal::kNotVolumeRoot},
      {"relative\\path", TableRefusal::kNotVolumeRoot},
      {"\\\\server\\share\\", TableRefusal::kNotVolumeRoot},
  };
  for (const auto& c : cases) {
    const TableOpenResult opened = fs->OpenTable(c.path);
    EXPECT_EQ(opened.table, nullptr) << c.path;
    EXPECT_EQ(opened.refusal, c.refusal) << c.path;
    EXPECT_NE(opened.reason.find(c.path), std::string::npos) << opened.reason;
  }
  // The test drive is a folder, whatever Wine finds under it: no table.
  const TableOpenResult folder = fs->OpenTable("T:\\");
  EXPECT_EQ(folder.table, nullptr);
  EXPECT_NE(folder.refusal, TableRefusal::kNone);
  EXPECT_FALSE(folder.reason.empty());
}

TEST(NtfsTableWin32Test, RawVolumeReadsWholeAlignedSectorsOnly) {
  OVIK_NEED_NTFS_DRIVE();
  std::unique_ptr<ntfs::RawVolume> volume;
  ASSERT_TRUE(ntfs::RawVolume::Open(L'N', &volume).ok());
  const std::uint32_t sector = volume->SectorSize();
  ASSERT_GE(sector, 512u);
  ntfs::AlignedBuffer buffer(3 * ntfs::kBufferAlignment);
  ASSERT_TRUE(volume->ReadAt(0, sector, buffer.data()).ok());
  EXPECT_EQ(std::memcmp(buffer.data() + 3, "NTFS    ", 8), 0);
  EXPECT_EQ(volume->ReadAt(3, sector, buffer.data()).code(),
            StatusCode::kUnsupported);
  EXPECT_EQ(volume->ReadAt(0, 100, buffer.data()).code(),
            StatusCode::kUnsupported);
  EXPECT_EQ(volume->ReadAt(0, sector, buffer.data() + 1).code(),
            StatusCode::kUnsupported);
  // Beyond the end of the 32 MiB image.
  EXPECT_FALSE(
      volume->ReadAt(std::uint64_t{1} << 30, sector, buffer.data()).ok());
}

}  // namespace
}  // namespace ovik
