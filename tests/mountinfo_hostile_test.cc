// The mount table as a busy or hostile machine shows it: mount points
// that vanished, escaped blanks read from the kernel itself, mount points
// longer than any usual path.
#ifdef __linux__
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/mountinfo.h"
#include "tests/fake_dialog_port.h"
#include "dialog/control_ids.h"
#include "dialog/texts.h"
#include "tests/fake_volume_source.h"
#include "dialog/volume_panel.h"

namespace ovik {
namespace {

using Roots = std::vector<std::string>;

// Probes over a set of directories that the test can take away.
struct MachineModel {
  std::set<std::string> directories;
  MountProbes Probes(std::string table) {
    MountProbes probes;
    probes.read_mountinfo = [table](std::string* text) {
      *text = table;
      return Status::Ok();
    };
    probes.is_directory = [this](const std::string& path) {
      return directories.count(path) != 0;
    };
    probes.resolve = [this](const std::string& path, std::string* resolved) {
      if (directories.count(path) == 0) return Status(StatusCode::kNotFound);
      *resolved = path;
      return Status::Ok();
    };
    probes.disk_space = [this](const std::string& path, VolumeSpace* space) {
      if (directories.count(path) == 0) return Status(StatusCode::kNotFound);
      *space = FakeSpace(4096, 1 << 20, 1 << 21);
      return Status::Ok();
    };
    return probes;
  }
};

TEST(MountInfoVolumeSourceTest, VanishedMountPointsAreDroppedOrAnsweredEmpty) {
  MachineModel machine;
  machine.directories = {"/", "/srv", "/mnt/later"};
  // The kernel shows a mount point whose directory was removed with
  // " (deleted)" appended (escaped like any blank).
  MountInfoVolumeSource source(machine.Probes(
      "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "2 1 8:2 / /mnt/gone\\040(deleted) rw - ext4 /dev/sda2 rw\n"
      "3 1 8:3 / /mnt/later rw - xfs /dev/sda3 rw\n"
      "4 1 8:4 / /srv rw - ext4 /dev/sda4 rw\n"));
  const Roots roots = RootsOf(source).value();
  EXPECT_EQ(roots, (Roots{"/", "/mnt/later", "/srv"}));

  // /mnt/later vanishes after the list was made: every question about
  // it gets an empty answer, and the panel says it has no facts.
  machine.directories.erase("/mnt/later");
  EXPECT_EQ(source.KindOf("/mnt/later"), VolumeKind::kMissing);
  EXPECT_FALSE(InfoOf(source, "/mnt/later"));
  EXPECT_FALSE(SpaceOf(source, "/mnt/later"));
  EXPECT_FALSE(IsEligibleVolume(source, "/mnt/later"));
  FakeDialogPort dialog;
  VolumeTotals totals{5, 10};
  ShowVolumeInfo(dialog, source, "/mnt/later", &totals);
  EXPECT_EQ(totals.total_kb, 0u);
  EXPECT_NE(dialog.Text(IDC_TOTAL_SPACE).find(text::kNoVolumeInfo),
            std::string::npos)
      << dialog.Text(IDC_TOTAL_SPACE);

  // A fresh list leaves it out.
  EXPECT_EQ(RootsOf(source), (Roots{"/", "/srv"}));
  FillDriveList(dialog, source, &totals);
  EXPECT_EQ(dialog.drives(), (Roots{"/", "/srv"}));
}

TEST(MountInfoVolumeSourceTest, MountPointsLongerThanAnyPathLimit) {
  // Three nested mounts, the deepest over 6,000 bytes (beyond PATH_MAX),
  // one with a blank.
  std::string a = "/data";
  for (int i = 0; i < 400; ++i) a += "/level" + std::to_string(i);
  const std::string b = a + "/my disk";
  std::string c = b;
  for (int i = 0; i < 600; ++i) c += "/x" + std::to_string(i);
  auto escaped = [](std::string path) {
    std::string out;
    for (char ch : path) out += ch == ' ' ? std::string("\\040") : std::string(1, ch);
    return out;
  };
  MachineModel machine;
  machine.directories = {"/", a, b, c, c + "/file"};
  MountInfoVolumeSource source(machine.Probes(
      "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "2 1 8:2 / " + escaped(a) + " rw - xfs /dev/sda2 rw\n"
      "3 2 8:3 / " + escaped(b) + " rw - ntfs3 /dev/sda3 rw\n"
      "4 3 0:50 / " + escaped(c) + " rw - nfs4 srv:/x rw\n"));
  ASSERT_GT(c.size(), 6000u);
  const Roots roots = RootsOf(source).value();
  EXPECT_EQ(roots, (Roots{"/", a, b, c}));
  EXPECT_EQ(InfoOf(source, a)->file_system, "xfs");
  EXPECT_EQ(InfoOf(source, b)->file_system, "ntfs3");
  EXPECT_EQ(source.KindOf(c + "/file"), VolumeKind::kRemote);
  EXPECT_TRUE(IsEligibleVolume(source, c));
  FakeDialogPort dialog;
  VolumeTotals totals;
  FillDriveList(dialog, source, &totals);
  EXPECT_EQ(dialog.drives(), roots);
}

#ifdef __linux__
TEST(SystemVolumeSourceTest, HostilePathsGetEmptyAnswers) {
  std::unique_ptr<VolumeSource> source = MakeSystemVolumeSource();
  const std::string paths[] = {
      "/" + std::string(10000, 'p'),
      "/no/such/dir\nwith a line break",
      "/no/such/dir\\040escaped",
      "",
      std::string("/tmp/\xff\xfe"),
  };
  for (const std::string& path : paths) {
    EXPECT_EQ(source->KindOf(path), VolumeKind::kMissing) << path.size();
    EXPECT_FALSE(InfoOf(*source, path)) << path.size();
    EXPECT_FALSE(SpaceOf(*source, path)) << path.size();
    EXPECT_FALSE(IsEligibleVolume(*source, path)) << path.size();
  }
}

bool Has(const Roots& roots, const std::string& root) {
  return std::count(roots.begin(), roots.end(), root) == 1;
}

// Mounts made here, as the kernel itself writes them into the table.
class RealMountTest : public testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to mount";
    char tmpl[] = "/tmp/ovik-mounts-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) {
      umount2(it->c_str(), MNT_DETACH);
    }
    if (!dir_.empty()) {
      const std::string cmd = "rm -rf '" + dir_ + "'";
      if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "cleanup of " << dir_;
    }
  }
  bool MountTmpfs(const std::string& path) {
    if (mount("ovik-test", path.c_str(), "tmpfs", 0, "size=1m") != 0) return false;
    mounts_.push_back(path);
    return true;
  }

  std::string dir_;
  std::vector<std::string> mounts_;
};

TEST_F(RealMountTest, BlanksTabsAndLongNamesComeBackUnescaped) {
  // Blanks, a tab and a backslash: escaped by the kernel in the table.
  const std::string odd = dir_ + "/my disk\tand\\more";
  ASSERT_EQ(mkdir(odd.c_str(), 0755), 0);
  if (!MountTmpfs(odd)) GTEST_SKIP() << "cannot mount here";
  // Deep below it, still within PATH_MAX, a second mount.
  std::string deep = odd;
  while (deep.size() < 3500) {
    deep += "/" + std::string(200, 'L');
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  }
  ASSERT_TRUE(MountTmpfs(deep));

  std::unique_ptr<VolumeSource> source = MakeSystemVolumeSource();
  const Roots roots = RootsOf(*source).value();
  EXPECT_TRUE(Has(roots, odd));
  EXPECT_TRUE(Has(roots, deep));
  EXPECT_EQ(source->KindOf(odd), VolumeKind::kRam);
  auto info = InfoOf(*source, deep);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->file_system, "tmpfs");
  EXPECT_TRUE(SpaceOf(*source, deep));
  // RAM disks are not offered for a scan.
  EXPECT_FALSE(IsEligibleVolume(*source, odd));

  // Unmounted again: the table forgets it, and the emptied directory
  // answers for the volume that holds it.
  ASSERT_EQ(umount2(deep.c_str(), 0), 0);
  mounts_.pop_back();
  EXPECT_FALSE(Has(RootsOf(*source).value(), deep));
  EXPECT_EQ(InfoOf(*source, deep)->file_system, "tmpfs");
}
#endif

}  // namespace
}  // namespace ovik
