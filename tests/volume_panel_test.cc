#include "dialog/volume_panel.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/mountinfo.h"
#include "tests/fake_dialog_port.h"
#include "tests/fake_volume_source.h"
#include "dialog/control_ids.h"
#include "dialog/texts.h"

namespace ovik {
namespace {

using Drives = std::vector<std::string>;

const std::string kNoInfo(text::kNoVolumeInfo);

TEST(DriveTypeTextTest, EveryValueOfTheTableAndBeyond) {
  EXPECT_EQ(DriveTypeText(VolumeKind::kUnknown), "Cannot be determined.");
  EXPECT_EQ(DriveTypeText(VolumeKind::kMissing), "Path does not exist.");
  EXPECT_EQ(DriveTypeText(VolumeKind::kRemovable), "Removable");
  EXPECT_EQ(DriveTypeText(VolumeKind::kFixed), "Fixed");
  EXPECT_EQ(DriveTypeText(VolumeKind::kRemote), "Remote");
  EXPECT_EQ(DriveTypeText(VolumeKind::kOptical), "CD-ROM");
  EXPECT_EQ(DriveTypeText(VolumeKind::kRam), "RAM disk");
  EXPECT_EQ(DriveTypeText(VolumeKind::kOther), "Unknown");
}

TEST(FillDriveListTest, OffersOnlyOwnerVolumesOnFixedOrNetworkDrives) {
  FakeVolumeSource volumes;
  volumes.Add({.root = "A:\\", .kind = VolumeKind::kRemovable});
  volumes.Add({.root = "C:\\", .file_system = "FAT"});
  volumes.Add({.root = "D:\\", .kind = VolumeKind::kOptical});
  volumes.Add({.root = "E:\\", .kind = VolumeKind::kRemote});
  volumes.Add({.root = "F:\\", .kind = VolumeKind::kRam});
  volumes.Add({.root = "G:\\", .file_system = "ntfs"});
  volumes.Add({.root = "H:\\", .kind = VolumeKind::kUnknown});
  volumes.Add({.root = "I:\\", .file_system = "NTFS5"});
  FakeDialogPort dialog;
  VolumeTotals totals;

  FillDriveList(dialog, volumes, &totals);

  EXPECT_EQ(dialog.drives(), (Drives{"E:\\", "G:\\"}));
  EXPECT_FALSE(IsEligibleVolume(volumes, "C:\\"));
  EXPECT_TRUE(IsEligibleVolume(volumes, "E:\\"));
  EXPECT_FALSE(IsEligibleVolume(volumes, "Z:\\"));
}

TEST(FillDriveListTest, SelectsTheFirstFixedDriveAfterNetworkDrives) {
  FakeVolumeSource volumes;
  volumes.Add({.root = "M:\\", .kind = VolumeKind::kRemote});
  volumes.Add({.root = "N:\\", .kind = VolumeKind::kRemote, .label = "share",
               .space = FakeSpace(4096, 4096, 8192)});
  volumes.Add({.root = "P:\\", .label = "DATA",
               .space = FakeSpace(4096, 2'000'000, 4'000'000)});
  volumes.Add({.root = "Q:\\", .label = "MORE"});
  FakeDialogPort dialog;
  VolumeTotals totals;

  FillDriveList(dialog, volumes, &totals);

  ASSERT_EQ(dialog.drives(), (Drives{"M:\\", "N:\\", "P:\\", "Q:\\"}));
  EXPECT_EQ(dialog.SelectedDrive(), 2);
  EXPECT_EQ(dialog.Text(IDC_DRIVE_TYPE), "Fixed");
  EXPECT_EQ(dialog.Text(IDC_VOLUME_LABEL), "DATA\nNTFS");
  EXPECT_EQ(dialog.Text(IDC_FREE_SPACE), "7812MB\n");
  EXPECT_EQ(dialog.Text(IDC_TOTAL_SPACE), "15624MB\n");
  EXPECT_EQ(totals.free_kb, 7'999'488u);
  EXPECT_EQ(totals.total_kb, 3906u * 4096u);
}

TEST(FillDriveListTest, WithoutFixedDrivesSelectsTheFirstEntry) {
  FakeVolumeSource volumes;
  volumes.Add({.root = "/mnt/cd", .kind = VolumeKind::kOptical});
  volumes.Add({.root = "/net/a", .kind = VolumeKind::kRemote,
               .file_system = "nfs4", .label = "a"});
  volumes.Add({.root = "/net/b", .kind = VolumeKind::kRemote});
  volumes.SetOwnerFileSystems({"ntfs", "nfs4"});
  FakeDialogPort dialog;
  VolumeTotals totals;

  FillDriveList(dialog, volumes, &totals);

  EXPECT_EQ(dialog.drives(), (Drives{"/net/a", "/net/b"}));
  EXPECT_EQ(dialog.SelectedDrive(), 0);
  EXPECT_EQ(dialog.Text(IDC_DRIVE_TYPE), "Remote");
  EXPECT_EQ(dialog.Text(IDC_VOLUME_LABEL), "a\nnfs4");
}

TEST(FillDriveListTest, VolumeWhoseFactsCannotBeReadIsNotListed) {
  // The failing drive follows an NTFS one, so a stale file-system name
  // would let it in.
  FakeVolumeSource volumes;
  volumes.Add({.root = "C:\\"});
  volumes.Add({.root = "D:\\", .info_fails = true});
  FakeDialogPort dialog;
  VolumeTotals totals;

  FillDriveList(dialog, volumes, &totals);

  EXPECT_EQ(dialog.drives(), (Drives{"C:\\"}));
}

TEST(FillDriveListTest, NoEligibleVolumeEmptiesListAndPanel) {
  FakeVolumeSource volumes;
  volumes.Add({.root = "C:\\", .file_system = "FAT32",
               .space = FakeSpace(4096, 1 << 20, 1 << 21)});
  FakeDialogPort dialog;
  dialog.AddDrive("stale");
  dialog.SetControlText(IDC_DRIVE_TYPE, std::string(text::kDriveTypeInitial));
  VolumeTotals totals{123, 456};

  FillDriveList(dialog, volumes, &totals);

  EXPECT_EQ(dialog.DriveCount(), 0);
  EXPECT_EQ(dialog.SelectedDrive(), -1);
  EXPECT_EQ(dialog.Text(IDC_DRIVE_TYPE), "");
  EXPECT_EQ(dialog.Text(IDC_VOLUME_LABEL), kNoInfo);
  EXPECT_EQ(dialog.Text(IDC_FREE_SPACE), kNoInfo);
  EXPECT_EQ(dialog.Text(IDC_TOTAL_SPACE), kNoInfo);
  EXPECT_EQ(totals.free_kb, 0u);
  EXPECT_EQ(totals.total_kb, 0u);
}

TEST(ShowVolumeInfoTest, ReplacesThePanelAndTotals) {
  FakeVolumeSource volumes;
  volumes.Add({.root = "C:\\", .label = "SYS",
               .space = FakeSpace(512, 1 << 20, 1 << 22)});
  volumes.Add({.root = "E:\\",
               .kind = VolumeKind::kRemote,
               .file_system = "NTFS",
               .label = "", .space = FakeSpace(65536, 3 << 10, 5 << 10)});
  FakeDialogPort dialog;
  VolumeTotals totals;

  ShowVolumeInfo(dialog, volumes, "C:\\", &totals);
  EXPECT_EQ(totals.free_kb, 1024u * 512u);
  EXPECT_EQ(dialog.Text(IDC_FREE_SPACE), "512MB\n");
  EXPECT_EQ(dialog.Text(IDC_TOTAL_SPACE), "2048MB\n");

  ShowVolumeInfo(dialog, volumes, "E:\\", &totals);
  EXPECT_EQ(dialog.Text(IDC_DRIVE_TYPE), "Remote");
  EXPECT_EQ(dialog.Text(IDC_VOLUME_LABEL), "\nNTFS");
  EXPECT_EQ(totals.free_kb, 3u * 65536u);
  EXPECT_EQ(totals.total_kb, 5u * 65536u);
  EXPECT_EQ(dialog.Text(IDC_FREE_SPACE), "192MB\n");
  EXPECT_EQ(dialog.Text(IDC_TOTAL_SPACE), "320MB\n");
}

TEST(ShowVolumeInfoTest, FailedQueriesShowNoInfoNeverStaleFigures) {
  FakeVolumeSource volumes;
  volumes.Add({.root = "C:\\", .label = "SYS",
               .space = FakeSpace(4096, 1 << 20, 1 << 21)});
  FakeVolume& broken = volumes.Add({.root = "D:\\", .label = "BROKEN",
                                    .space = FakeSpace(4096, 1 << 20, 1 << 21),
                                    .space_fails = true});
  FakeDialogPort dialog;
  VolumeTotals totals;
  ShowVolumeInfo(dialog, volumes, "C:\\", &totals);
  ASSERT_NE(totals.total_kb, 0u);

  ShowVolumeInfo(dialog, volumes, "D:\\", &totals);
  EXPECT_EQ(dialog.Text(IDC_VOLUME_LABEL), "BROKEN\nNTFS");
  EXPECT_EQ(dialog.Text(IDC_FREE_SPACE), kNoInfo);
  EXPECT_EQ(dialog.Text(IDC_TOTAL_SPACE), kNoInfo);
  EXPECT_EQ(totals.free_kb, 0u);
  EXPECT_EQ(totals.total_kb, 0u);

  broken.space_fails = false;
  broken.info_fails = true;
  ShowVolumeInfo(dialog, volumes, "D:\\", &totals);
  EXPECT_EQ(dialog.Text(IDC_VOLUME_LABEL), kNoInfo);
  EXPECT_EQ(dialog.Text(IDC_FREE_SPACE), "4096MB\n");
}

TEST(ShowVolumeInfoTest, UnknownPathSaysSo) {
  FakeVolumeSource volumes;
  FakeDialogPort dialog;
  VolumeTotals totals{1, 1};
  ShowVolumeInfo(dialog, volumes, "/nowhere", &totals);
  EXPECT_EQ(dialog.Text(IDC_DRIVE_TYPE), "Path does not exist.");
  EXPECT_EQ(dialog.Text(IDC_VOLUME_LABEL), kNoInfo);
  EXPECT_EQ(totals.total_kb, 0u);
}

// The whole road from a real mount table to the dialog.
std::string ReadTestFile(const std::string& name) {
  std::ifstream in(std::string(OVIK_TESTDATA_DIR) + "/mountinfo/" + name,
                   std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(FillDriveListTest, FromDesktopMountTable) {
  std::string table = ReadTestFile("desktop-mixed.txt");
  ASSERT_FALSE(table.empty());
  MountProbes probes;
  probes.read_mountinfo = [&](std::string* text) {
    *text = table;
    return Status::Ok();
  };
  probes.is_removable = [](std::uint32_t major, std::uint32_t minor) {
    return major == 8 && minor == 49;  // the USB disk
  };
  probes.label = [](const MountInfoEntry& mount) {
    return mount.mount_point == "/mnt/win" ? std::string("Windows") : std::string();
  };
  probes.disk_space = [](const std::string&, VolumeSpace* space) {
    *space = FakeSpace(4096, 2'000'000, 4'000'000);
    return Status::Ok();
  };
  MountInfoVolumeSource volumes(probes);
  FakeDialogPort dialog;
  VolumeTotals totals;

  FillDriveList(dialog, volumes, &totals);

  EXPECT_EQ(dialog.drives(),
            (Drives{"/", "/home", "/mnt/win", "/net/home", "/mnt/share",
                    "/mnt/zpool", "/mnt/xfs"}));
  EXPECT_EQ(dialog.SelectedDrive(), 0);
  EXPECT_EQ(dialog.Text(IDC_VOLUME_LABEL), "\next4");
  EXPECT_EQ(dialog.Text(IDC_FREE_SPACE), "7812MB\n");

  ShowVolumeInfo(dialog, volumes, "/mnt/win", &totals);
  EXPECT_EQ(dialog.Text(IDC_DRIVE_TYPE), "Fixed");
  EXPECT_EQ(dialog.Text(IDC_VOLUME_LABEL), "Windows\nntfs3");
}

TEST(FillDriveListTest, FromContainerMountTable) {
  std::string table = ReadTestFile("container-overlay.txt");
  MountProbes probes;
  probes.read_mountinfo = [&](std::string* text) {
    *text = table;
    return Status::Ok();
  };
  probes.is_directory = [](const std::string& path) {
    return path.rfind("/etc/", 0) != 0;  // resolv.conf, hostname, hosts
  };
  MountInfoVolumeSource volumes(probes);
  FakeDialogPort dialog;
  VolumeTotals totals{7, 7};

  FillDriveList(dialog, volumes, &totals);

  EXPECT_EQ(dialog.drives(), (Drives{"/", "/data"}));
  EXPECT_EQ(dialog.Text(IDC_VOLUME_LABEL), "\noverlay");
  // No space probe: the query fails.
  EXPECT_EQ(dialog.Text(IDC_FREE_SPACE), kNoInfo);
  EXPECT_EQ(totals.total_kb, 0u);
}

}  // namespace
}  // namespace ovik
