#include "platform/mountinfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/disk_links_posix.h"
#include "tests/fake_volume_source.h"

namespace ovik {
namespace {

using Roots = std::vector<std::string>;

std::string ReadSample(const std::string& name) {
  std::ifstream in(std::string(OVIK_TESTDATA_DIR) + "/mountinfo/" + name,
                   std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

MountProbes ProbesFor(std::string table) {
  MountProbes probes;
  probes.read_mountinfo = [table = std::move(table)](std::string* text) {
    *text = table;
    return Status::Ok();
  };
  return probes;
}

bool Has(const Roots& roots, const std::string& root) {
  return std::count(roots.begin(), roots.end(), root) == 1;
}

TEST(UnescapeMountFieldTest, OctalEscapes) {
  EXPECT_EQ(UnescapeMountField("/media/usb\\040disk"), "/media/usb disk");
  EXPECT_EQ(UnescapeMountField("a\\011b\\012c\\134d"), "a\tb\nc\\d");
  EXPECT_EQ(UnescapeMountField("\\303\\244"), "\xc3\xa4");
  // Not an escape: kept byte for byte.
  EXPECT_EQ(UnescapeMountField("a\\04"), "a\\04");
  EXPECT_EQ(UnescapeMountField("a\\400b"), "a\\400b");
  EXPECT_EQ(UnescapeMountField("a\\08x"), "a\\08x");
  EXPECT_EQ(UnescapeMountField("trailing\\"), "trailing\\");
  EXPECT_EQ(UnescapeMountField("\\134040"), "\\040");  // no second pass
}

TEST(UnescapeUdevNameTest, HexEscapes) {
  EXPECT_EQ(UnescapeUdevName("My\\x20Disk"), "My Disk");
  EXPECT_EQ(UnescapeUdevName("a\\x2fb\\x5C"), "a/b\\");
  EXPECT_EQ(UnescapeUdevName("Daten\xc3\xa4"), "Daten\xc3\xa4");
  EXPECT_EQ(UnescapeUdevName("bad\\xZZ\\x2"), "bad\\xZZ\\x2");
}

TEST(ParseMountInfoLineTest, ReadsFieldsAroundOptionalOnes) {
  auto none = ParseMountInfoLine(
      "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw,discard");
  ASSERT_TRUE(none);
  EXPECT_EQ(none->mount_id, 26u);
  EXPECT_EQ(none->parent_id, 1u);
  EXPECT_EQ(none->major, 254u);
  EXPECT_EQ(none->minor, 0u);
  EXPECT_EQ(none->root, "/");
  EXPECT_EQ(none->mount_point, "/");
  EXPECT_EQ(none->fs_type, "ext4");
  EXPECT_EQ(none->source, "/dev/vda");

  auto two = ParseMountInfoLine(
      "71 61 8:17 /@home/a\\040b /srv/my\\040projects rw shared:33 master:2 "
      "- btrfs /dev/sdb1 rw");
  ASSERT_TRUE(two);
  EXPECT_EQ(two->root, "/@home/a b");
  EXPECT_EQ(two->mount_point, "/srv/my projects");
  EXPECT_EQ(two->fs_type, "btrfs");

  // A hyphen inside an optional field is not the separator.
  auto hyphen = ParseMountInfoLine("1 2 0:3 / /x rw tag:-1 - tmpfs none rw");
  ASSERT_TRUE(hyphen);
  EXPECT_EQ(hyphen->fs_type, "tmpfs");

  // The kernel prints an empty source as an empty field; the super
  // options may be missing altogether.
  auto empty_source = ParseMountInfoLine("36 35 0:40 / /mnt rw - tmpfs  rw");
  ASSERT_TRUE(empty_source);
  EXPECT_EQ(empty_source->source, "");
  auto short_tail = ParseMountInfoLine("36 35 0:40 / /mnt rw - tmpfs");
  ASSERT_TRUE(short_tail);
  EXPECT_EQ(short_tail->fs_type, "tmpfs");

  // A point written unclean is read as the path a lookup finds it by.
  for (const char* point : {"/srv/x/", "/srv//x", "/srv/./x", "/srv/y/../x"}) {
    auto unclean = ParseMountInfoLine(std::string("36 35 0:40 / ") + point +
                                      " rw - tmpfs none rw");
    ASSERT_TRUE(unclean) << point;
    EXPECT_EQ(unclean->mount_point, "/srv/x") << point;
  }
}

TEST(ParseMountInfoLineTest, RejectsMalformedLines) {
  const char* bad[] = {
      "",
      "garbage",
      "26 1 254:0 / / rw,relatime ext4 /dev/vda rw",      // no separator
      "26 1 254:0 / / - ext4 /dev/vda rw",                // too few fields
      "26 1 254:0 / / rw -",                              // no type
      "26 1 254:0 / / rw -  /dev/vda rw",                 // empty type
      "26 1 2540 / / rw - ext4 /dev/vda rw",              // no colon
      "26 1 254: / / rw - ext4 /dev/vda rw",
      "26 1 254:x / / rw - ext4 /dev/vda rw",
      "x 1 254:0 / / rw - ext4 /dev/vda rw",
      "-1 1 254:0 / / rw - ext4 /dev/vda rw",
      "26 1 99999999999:0 / / rw - ext4 /dev/vda rw",     // beyond 32 bits
      "26 1 254:0 / mnt rw - ext4 /dev/vda rw",           // relative
      "26 1 254:0 root / rw - ext4 /dev/vda rw",
      "26  1 254:0 / / rw - ext4 /dev/vda rw",            // empty field
      "26 1 254:0 / / rw shared:1  - ext4 /dev/vda rw",
  };
  for (const char* line : bad) {
    EXPECT_FALSE(ParseMountInfoLine(line)) << line;
  }
}

TEST(ParseMountInfoTest, SkipsMalformedLinesAndKeepsOrder) {
  std::string text =
      "1 0 8:1 / / rw - ext4 /dev/sda1 rw\r\n"
      "\n"
      "this is not a mount\n"
      "2 1 0:5 / /proc rw - proc proc rw\n"
      "3 1 8:2 / /home rw - xfs /dev/sda2 rw";  // no final line break
  std::vector<MountInfoEntry> entries = ParseMountInfo(text);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].source, "/dev/sda1");  // CR dropped
  EXPECT_EQ(entries[1].mount_point, "/proc");
  EXPECT_EQ(entries[2].mount_point, "/home");
}

TEST(ParseMountInfoTest, VeryLongLine) {
  std::string deep = "/srv";
  std::string expected = "/srv";
  for (int i = 0; i < 20000; ++i) {
    deep += "/dir\\040" + std::to_string(i);
    expected += "/dir " + std::to_string(i);
  }
  std::string text = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n9 1 8:1 / " + deep +
                     " rw - ext4 /dev/sda1 rw\n";
  std::vector<MountInfoEntry> entries = ParseMountInfo(text);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].mount_point, expected);
}

TEST(ParseMountInfoTest, DamagedSampleLinesNeverYieldBrokenEntries) {
  // Every prefix of every sample line, and each line with one byte
  // replaced by characters that matter to the parser.
  for (const char* name :
       {"desktop-mixed.txt", "container-overlay.txt", "vm-ext4-root.txt"}) {
    std::string sample = ReadSample(name);
    ASSERT_FALSE(sample.empty()) << name;
    std::istringstream lines(sample);
    std::string line;
    while (std::getline(lines, line)) {
      ASSERT_TRUE(ParseMountInfoLine(line)) << line;
      for (std::size_t cut = 0; cut < line.size(); ++cut) {
        auto entry = ParseMountInfoLine(std::string_view(line).substr(0, cut));
        if (entry) {
          EXPECT_EQ(entry->mount_point.front(), '/');
          EXPECT_FALSE(entry->fs_type.empty());
        }
        for (char c : {' ', '-', '\\', ':', '\0'}) {
          std::string damaged = line;
          damaged[cut] = c;
          auto other = ParseMountInfoLine(damaged);
          if (other) {
            EXPECT_EQ(other->root.front(), '/');
          }
        }
      }
    }
  }
}

TEST(FileSystemRecordsOwnersTest, OwnerKeepingFileSystemsOnly) {
  for (const char* name :
       {"ntfs", "NTFS", "ntfs3", "fuseblk", "fuseblk.ntfs-3g", "ext2", "ext3",
        "Ext4", "xfs", "btrfs", "zfs", "f2fs", "jfs", "reiserfs", "overlay",
        "nilfs2", "bcachefs", "ufs", "nfs", "nfs4", "cifs", "smb3", "ceph",
        "glusterfs", "fuse.glusterfs"}) {
    EXPECT_TRUE(FileSystemRecordsOwners(name)) << name;
  }
  for (const char* name :
       {"vfat", "msdos", "fat", "exfat", "iso9660", "udf", "tmpfs", "ramfs",
        "proc", "sysfs", "cgroup", "cgroup2", "devpts", "devtmpfs",
        "securityfs", "debugfs", "tracefs", "mqueue", "hugetlbfs", "pstore",
        "bpf", "configfs", "fusectl", "autofs", "binfmt_misc", "efivarfs",
        "nsfs", "squashfs", "9p", "fuse.sshfs", "fuseblk.exfat", "ext", "",
        "ntfs "}) {
    EXPECT_FALSE(FileSystemRecordsOwners(name)) << name;
  }
}

TEST(MountInfoVolumeSourceTest, DesktopTable) {
  MountProbes probes = ProbesFor(ReadSample("desktop-mixed.txt"));
  probes.is_removable = [](std::uint32_t major, std::uint32_t minor) {
    return major == 8 && minor == 65;  // the exFAT stick
  };
  MountInfoVolumeSource source(probes);

  Roots roots = RootsOf(source).value();
  // One entry per file system: the btrfs of /home is mounted thrice.
  EXPECT_TRUE(Has(roots, "/home"));
  EXPECT_FALSE(Has(roots, "/srv/data"));
  EXPECT_FALSE(Has(roots, "/srv/projects"));
  EXPECT_TRUE(Has(roots, "/media/usb disk"));
  EXPECT_EQ(roots.front(), "/sys");  // the table's order

  struct Case {
    const char* path;
    VolumeKind type;
    const char* file_system;
  };
  const Case cases[] = {
      {"/", VolumeKind::kFixed, "ext4"},
      {"/home", VolumeKind::kFixed, "btrfs"},
      {"/mnt/win", VolumeKind::kFixed, "ntfs3"},
      {"/media/usb disk", VolumeKind::kFixed, "fuseblk"},
      {"/media/stick", VolumeKind::kRemovable, "exfat"},
      {"/media/cdrom", VolumeKind::kOptical, "iso9660"},
      {"/net/home", VolumeKind::kRemote, "nfs4"},
      {"/mnt/share", VolumeKind::kRemote, "cifs"},
      {"/mnt/zpool", VolumeKind::kFixed, "zfs"},
      {"/mnt/xfs", VolumeKind::kFixed, "xfs"},
      {"/boot/efi", VolumeKind::kFixed, "vfat"},
      {"/tmp", VolumeKind::kRam, "tmpfs"},
      {"/proc", VolumeKind::kUnknown, "proc"},
      {"/sys/fs/cgroup", VolumeKind::kUnknown, "cgroup2"},
      // Any path answers for the mount that holds it.
      {"/home/alice/notes.txt", VolumeKind::kFixed, "btrfs"},
      {"/net/home/bob/", VolumeKind::kRemote, "nfs4"},
      {"/mnt/winter", VolumeKind::kFixed, "ext4"},
      {"/mnt/win/../share/x", VolumeKind::kRemote, "cifs"},
      {"/srv/projects/a", VolumeKind::kFixed, "btrfs"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(source.KindOf(c.path), c.type) << c.path;
    auto info = InfoOf(source, c.path);
    ASSERT_TRUE(info) << c.path;
    EXPECT_EQ(info->file_system, c.file_system) << c.path;
    EXPECT_EQ(info->label, "") << c.path;
  }
  EXPECT_EQ(source.KindOf("relative/path"), VolumeKind::kMissing);
  EXPECT_FALSE(InfoOf(source, "relative/path"));
  EXPECT_FALSE(SpaceOf(source, "/"));  // no probe: fails
}

TEST(MountInfoVolumeSourceTest, VirtualMachineTable) {
  MountInfoVolumeSource source(ProbesFor(ReadSample("vm-ext4-root.txt")));
  Roots roots = RootsOf(source).value();
  // /dev/pts and /dev/shm are mounted twice on the same place; the later
  // mount hides the earlier.
  EXPECT_TRUE(Has(roots, "/dev/pts"));
  EXPECT_TRUE(Has(roots, "/dev/shm"));
  std::vector<std::string> eligible;
  for (const std::string& root : roots) {
    if (IsEligibleVolume(source, root)) eligible.push_back(root);
  }
  EXPECT_EQ(eligible, Roots{"/"});
}

TEST(MountInfoVolumeSourceTest, ContainerTableSkipsBindMountedFiles) {
  MountProbes probes = ProbesFor(ReadSample("container-overlay.txt"));
  std::set<std::string> files = {"/etc/resolv.conf", "/etc/hostname",
                                 "/etc/hosts"};
  probes.is_directory = [&files](const std::string& path) {
    return files.count(path) == 0;
  };
  MountInfoVolumeSource source(probes);
  Roots roots = RootsOf(source).value();
  for (const std::string& file : files) EXPECT_FALSE(Has(roots, file)) << file;
  // No mount of the host disk shows its own root: the first directory
  // mount stands for it.
  EXPECT_TRUE(Has(roots, "/data"));
  EXPECT_EQ(source.KindOf("/"), VolumeKind::kFixed);
  EXPECT_EQ(InfoOf(source, "/")->file_system, "overlay");
  EXPECT_EQ(source.KindOf("/etc/hosts"), VolumeKind::kFixed);
  EXPECT_EQ(InfoOf(source, "/etc/hosts")->file_system, "ext4");
  EXPECT_EQ(source.KindOf("/dev/shm"), VolumeKind::kRam);
}

TEST(MountInfoVolumeSourceTest, BindMountsOfferTheOwnRootMountInItsPlace) {
  MountInfoVolumeSource source(ProbesFor(
      "10 1 8:1 /srv/a /a rw - ext4 /dev/sda1 rw\n"
      "11 1 8:2 / /b rw - ext4 /dev/sda2 rw\n"
      "12 1 8:1 / /data rw - ext4 /dev/sda1 rw\n"
      "13 1 8:1 / /data2 rw - ext4 /dev/sda1 rw\n"
      "14 1 8:2 /x /c rw - ext4 /dev/sda2 rw\n"));
  EXPECT_EQ(RootsOf(source), (Roots{"/b", "/data"}));
}

TEST(MountInfoVolumeSourceTest, ProbesGetTheMountAndThePath) {
  MountProbes probes = ProbesFor(ReadSample("desktop-mixed.txt"));
  std::vector<std::string> label_sources;
  probes.label = [&](const MountInfoEntry& mount) {
    label_sources.push_back(mount.source);
    return mount.source == "/dev/sdc1" ? std::string("Win Data") : std::string();
  };
  std::vector<std::string> space_paths;
  probes.disk_space = [&](const std::string& path, VolumeSpace* space) {
    space_paths.push_back(path);
    *space = FakeSpace(4096, 10, 20);
    return Status::Ok();
  };
  MountInfoVolumeSource source(probes);

  EXPECT_EQ(InfoOf(source, "/mnt/win/Users")->label, "Win Data");
  EXPECT_EQ(InfoOf(source, "/media/usb disk")->label, "");
  EXPECT_EQ(label_sources, (Roots{"/dev/sdc1", "/dev/sdd1"}));
  auto space = SpaceOf(source, "/mnt//win/./Users/");
  ASSERT_TRUE(space);
  EXPECT_EQ(space->total_bytes, 20u * 4096);
  EXPECT_EQ(space_paths, Roots{"/mnt/win/Users"});
}

TEST(MountInfoVolumeSourceTest, DeviceOfPathFindsACoveredMount) {
  // /a/b was mounted first, then /a on top of it: /a/b now lies on the
  // file system of /a.
  MountProbes probes = ProbesFor(
      "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "2 1 0:40 / /a/b rw - tmpfs tmpfs rw\n"
      "3 1 8:2 / /a rw - xfs /dev/sda2 rw\n");
  probes.device_of = [](const std::string&,
                        std::pair<std::uint32_t, std::uint32_t>* device) {
    *device = {8, 2};
    return Status::Ok();
  };
  MountInfoVolumeSource with_device(probes);
  EXPECT_EQ(InfoOf(with_device, "/a/b/c")->file_system, "xfs");

  probes.device_of = nullptr;
  MountInfoVolumeSource without_device(probes);
  EXPECT_EQ(InfoOf(without_device, "/a/b/c")->file_system, "tmpfs");
}

TEST(MountInfoVolumeSourceTest, UnreadableTableAndReload) {
  MountInfoVolumeSource unreadable{MountProbes{}};
  std::vector<std::string> none;
  EXPECT_EQ(unreadable.ListRoots(&none).code(), StatusCode::kUnsupported);
  EXPECT_EQ(unreadable.KindOf("/"), VolumeKind::kUnknown);
  EXPECT_FALSE(InfoOf(unreadable, "/"));

  std::string table = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
  MountProbes probes;
  probes.read_mountinfo = [&table](std::string* text) {
    *text = table;
    return Status::Ok();
  };
  MountInfoVolumeSource source(probes);
  EXPECT_EQ(RootsOf(source), Roots{"/"});
  table += "2 1 0:50 / /net rw - nfs4 srv:/ rw\n";
  EXPECT_EQ(RootsOf(source), (Roots{"/", "/net"}));
  EXPECT_EQ(source.KindOf("/net"), VolumeKind::kRemote);
}

TEST(MountInfoVolumeSourceTest, CdRomByDeviceAndRemovableNtfsStick) {
  MountProbes probes = ProbesFor(
      "1 0 11:0 / /media/dvd ro - ext2 /dev/sr0 ro\n"
      "2 0 8:16 / /media/disk ro - ext4 /dev/sdb ro\n"
      "3 0 8:33 / /media/stick rw - fuseblk /dev/sdc1 rw\n");
  probes.is_removable = [](std::uint32_t major, std::uint32_t minor) {
    return major == 8 && minor == 33;
  };
  MountInfoVolumeSource source(probes);
  EXPECT_EQ(source.KindOf("/media/dvd"), VolumeKind::kOptical);
  EXPECT_EQ(source.KindOf("/media/disk"), VolumeKind::kFixed);
  EXPECT_EQ(source.KindOf("/media/stick"), VolumeKind::kRemovable);
  EXPECT_FALSE(IsEligibleVolume(source, "/media/stick"));
  EXPECT_FALSE(IsEligibleVolume(source, "/media/dvd"));
}

TEST(MountInfoVolumeSourceTest, IdentifiesTheMountAndItsFileSystem) {
  // A btrfs subvolume mounted twice, and a bind mount of a directory.
  MountProbes probes = ProbesFor(
      "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "2 1 0:45 /@home /home rw - btrfs /dev/sdb1 rw\n"
      "3 1 0:45 /@home /mnt/old\\040home rw - btrfs /dev/sdb1 rw\n"
      "4 1 8:1 /srv/data /data rw - ext4 /dev/sda1 rw\n");
  probes.uuid = [](const MountInfoEntry& mount) {
    return mount.source == "/dev/sdb1" ? std::string("5e1f-77") : std::string();
  };
  MountInfoVolumeSource source(probes);
  const struct {
    std::string path;
    std::string mount_point, root, uuid, resolved;
  } kCases[] = {
      {"/home/alice/../bob", "/home", "/@home", "5e1f-77", "/home/bob"},
      {"/mnt/old home/bob", "/mnt/old home", "/@home", "5e1f-77",
       "/mnt/old home/bob"},
      {"/data/x", "/data", "/srv/data", "", "/data/x"},
      {"/srv", "/", "/", "", "/srv"},
  };
  for (const auto& c : kCases) {
    MountIdentity identity;
    ASSERT_TRUE(source.IdentifyMount(c.path, &identity).ok()) << c.path;
    EXPECT_EQ(identity.mount.mount_point, c.mount_point) << c.path;
    EXPECT_EQ(identity.mount.root, c.root) << c.path;
    EXPECT_EQ(identity.uuid, c.uuid) << c.path;
    EXPECT_EQ(identity.resolved_path, c.resolved) << c.path;
  }
  MountInfoVolumeSource unreadable{MountProbes{}};
  MountIdentity none;
  EXPECT_FALSE(unreadable.IdentifyMount("/", &none).ok());
}

TEST(DiskLinkNameForTest, FindsTheLinkOfTheMountsSource) {
  char pattern[] = "/tmp/ovik-links.XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  ASSERT_EQ(symlink("/dev/zero", (dir + "/1111-AAAA").c_str()), 0);
  ASSERT_EQ(symlink("/dev/null", (dir + "/My\\x20Disk").c_str()), 0);
  MountInfoEntry mount;
  mount.source = "/dev/null";  // an anonymous device number, as btrfs has
  EXPECT_EQ(DiskLinkNameFor(dir, mount), "My Disk");
  mount.source = "/dev/full";
  EXPECT_EQ(DiskLinkNameFor(dir, mount), "");
  mount.source = "tmpfs";
  EXPECT_EQ(DiskLinkNameFor(dir, mount), "");
  EXPECT_EQ(DiskLinkNameFor(dir + "/missing", mount), "");
  for (const char* name : {"/1111-AAAA", "/My\\x20Disk"}) {
    unlink((dir + name).c_str());
  }
  rmdir(dir.c_str());
}

#ifdef __linux__
TEST(SystemVolumeSourceTest, AnswersForThisMachine) {
  std::unique_ptr<VolumeSource> source = MakeSystemVolumeSource();
  EXPECT_FALSE(RootsOf(*source).value().empty());
  const std::string here = OVIK_TESTDATA_DIR;
  EXPECT_NE(source->KindOf(here), VolumeKind::kMissing);
  auto info = InfoOf(*source, here);
  ASSERT_TRUE(info);
  EXPECT_FALSE(info->file_system.empty());
  auto space = SpaceOf(*source, here);
  ASSERT_TRUE(space);
  EXPECT_GT(space->unit_bytes, 0u);
  EXPECT_LE(space->free_bytes, space->total_bytes);
  EXPECT_EQ(source->KindOf("/no/such/dir/for/ovik"),
            VolumeKind::kMissing);
  EXPECT_FALSE(SpaceOf(*source, "/no/such/dir/for/ovik"));
}
#endif

}  // namespace
}  // namespace ovik
