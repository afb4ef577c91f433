// The drive list's Win32 layer: roots, types, file systems and space as
// the system reports them, and the list the volume panel builds from it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/volumes.h"
#include "tests/fake_dialog_port.h"
#include "tests/fake_volume_source.h"
#include "dialog/control_ids.h"
#include "dialog/volume_panel.h"

namespace ovik {
namespace {

// The drive a prepared test tree is linked as ("T:\"), when the test
// script has made one.
std::string TestDrive() {
  const char* drive = std::getenv("OVIK_TEST_DRIVE");
  return drive == nullptr ? std::string() : std::string(drive);
}

TEST(VolumesWin32Test, RootsAreLettersWithColonAndBackslash) {
  std::unique_ptr<VolumeSource> volumes = MakeSystemVolumeSource();
  const std::vector<std::string> roots = RootsOf(*volumes).value();
  ASSERT_FALSE(roots.empty());
  for (const std::string& root : roots) {
    ASSERT_EQ(root.size(), 3u) << root;
    EXPECT_TRUE(root[0] >= 'A' && root[0] <= 'Z') << root;
    EXPECT_EQ(root.substr(1), ":\\");
  }
  EXPECT_TRUE(std::is_sorted(roots.begin(), roots.end()));
  const DWORD mask = GetLogicalDrives();
  EXPECT_EQ(roots.size(), static_cast<std::size_t>(std::popcount(mask)));
}

TEST(VolumesWin32Test, TheSystemDriveIsDescribed) {
  std::unique_ptr<VolumeSource> volumes = MakeSystemVolumeSource();
  wchar_t windows[MAX_PATH] = {};
  ASSERT_NE(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  const std::string root = {static_cast<char>(windows[0]), ':', '\\'};
  EXPECT_EQ(volumes->KindOf(root), VolumeKind::kFixed);
  const std::optional<VolumeNames> info = InfoOf(*volumes, root);
  ASSERT_TRUE(info.has_value());
  EXPECT_FALSE(info->file_system.empty());
  const std::optional<VolumeSpace> space = SpaceOf(*volumes, root);
  ASSERT_TRUE(space.has_value());
  EXPECT_GT(space->unit_bytes, 0u);
  EXPECT_GT(space->total_bytes, 0u);
  EXPECT_LE(space->free_bytes, space->total_bytes);
  // Whole clusters of what the byte-exact query reports.
  ULARGE_INTEGER available = {}, total = {};
  const std::wstring wide_root = {windows[0], L':', L'\\'};
  ASSERT_TRUE(
      GetDiskFreeSpaceExW(wide_root.c_str(), &available, &total, nullptr));
  EXPECT_EQ(space->total_bytes % space->unit_bytes, 0u);
  EXPECT_LE(space->total_bytes, total.QuadPart);
  EXPECT_GT(space->total_bytes + space->unit_bytes, total.QuadPart);
}

TEST(VolumesWin32Test, ADriveThatDoesNotExistHasNoFacts) {
  std::unique_ptr<VolumeSource> volumes = MakeSystemVolumeSource();
  const DWORD mask = GetLogicalDrives();
  int unused = -1;
  for (int letter = 25; letter >= 2; --letter) {
    if (!(mask & (1u << letter))) {
      unused = letter;
      break;
    }
  }
  ASSERT_GE(unused, 0);
  const std::string root = {static_cast<char>('A' + unused), ':', '\\'};
  EXPECT_EQ(volumes->KindOf(root), VolumeKind::kMissing);
  EXPECT_FALSE(InfoOf(*volumes, root).has_value());
  EXPECT_FALSE(SpaceOf(*volumes, root).has_value());
}

TEST(VolumesWin32Test, OnlyNtfsRecordsOwnersWhateverTheCase) {
  std::unique_ptr<VolumeSource> volumes = MakeSystemVolumeSource();
  EXPECT_TRUE(volumes->RecordsOwners("NTFS"));
  EXPECT_TRUE(volumes->RecordsOwners("ntfs"));
  EXPECT_TRUE(volumes->RecordsOwners("NtFs"));
  EXPECT_FALSE(volumes->RecordsOwners("FAT32"));
  EXPECT_FALSE(volumes->RecordsOwners("exFAT"));
  EXPECT_FALSE(volumes->RecordsOwners("NTFS "));
  EXPECT_FALSE(volumes->RecordsOwners("NTF"));
  EXPECT_FALSE(volumes->RecordsOwners(""));
}

// The drive list as the main dialog fills it from the real system: the
// prepared drive is offered and the panel describes the default one.
TEST(VolumesWin32Test, DriveListOffersThePreparedDrive) {
  const std::string drive = TestDrive();
  if (drive.empty()) GTEST_SKIP() << "OVIK_TEST_DRIVE is not set";
  std::unique_ptr<VolumeSource> volumes = MakeSystemVolumeSource();
  FakeDialogPort dialog;
  VolumeTotals totals;
  FillDriveList(dialog, *volumes, &totals);
  EXPECT_NE(std::find(dialog.drives().begin(), dialog.drives().end(), drive),
            dialog.drives().end());
  ASSERT_GE(dialog.SelectedDrive(), 0);
  EXPECT_EQ(volumes->KindOf(dialog.drives()[dialog.SelectedDrive()]),
            VolumeKind::kFixed);
  EXPECT_EQ(dialog.Text(IDC_DRIVE_TYPE), "Fixed");
  EXPECT_GT(totals.total_kb, 0u);

  ShowVolumeInfo(dialog, *volumes, drive, &totals);
  const std::optional<VolumeNames> info =
      InfoOf(*volumes, drive);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(dialog.Text(IDC_VOLUME_LABEL),
            info->label + "\n" + info->file_system);
}

}  // namespace
}  // namespace ovik
