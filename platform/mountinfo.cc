#include "platform/mountinfo.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <map>
#include <unordered_map>
#include <utility>

#include "platform/lexical_path.h"

namespace ovik {
namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = LowerAscii(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

template <typename T>
bool ParseNumber(std::string_view s, T* value) {
  if (s.empty()) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *value);
  return ec == std::errc() && end == s.data() + s.size();
}

bool Contains(const auto& names, std::string_view lowered) {
  return std::find(names.begin(), names.end(), lowered) != names.end();
}

// File systems that keep an owner per file. fuseblk is what ntfs-3g
// mounts as; other block-device FUSE drivers are rare, so a bare
// "fuseblk" counts as NTFS, and one with a subtype only when the subtype
// names NTFS. 9p and virtiofs are left out: where they are met (host
// folders in virtual machines) every file usually shows the mounting
// user, not its real owner.
constexpr std::array<std::string_view, 22> kOwnerFileSystems = {
    "ntfs",    "ntfs3",     "fuseblk", "ext2",     "ext3",
    "ext4",    "xfs",       "btrfs",   "zfs",      "f2fs",
    "jfs",     "reiserfs",  "overlay", "nilfs2",   "bcachefs",
    "ufs",     "nfs",       "nfs4",    "cifs",     "smb3",
    "ceph",    "glusterfs"};
constexpr std::array<std::string_view, 2> kOwnerFuseFileSystems = {
    "fuse.glusterfs", "fuse.ceph-fuse"};

// Reached over the network (or from the host, for guests).
constexpr std::array<std::string_view, 16> kNetworkFileSystems = {
    "nfs",         "nfs4",           "cifs",      "smb3",
    "smbfs",       "ceph",           "glusterfs", "fuse.glusterfs",
    "fuse.sshfs",  "fuse.ceph-fuse", "9p",        "afs",
    "ncpfs",       "coda",           "lustre",    "virtiofs"};

std::string_view BaseName(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// /dev/sr0, /dev/scd1: SCSI optical drives.
bool IsOpticalDeviceName(std::string_view source) {
  if (source.rfind("/dev/", 0) != 0) return false;
  std::string_view base = BaseName(source);
  for (std::string_view prefix : {std::string_view("sr"), std::string_view("scd")}) {
    if (base.size() > prefix.size() && base.substr(0, prefix.size()) == prefix &&
        base[prefix.size()] >= '0' && base[prefix.size()] <= '9') {
      return true;
    }
  }
  return false;
}

constexpr std::uint32_t kScsiCdRomMajor = 11;

}  // namespace

std::string UnescapeMountField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    // At most \377: one byte.
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
        field[i + 1] <= '3' && IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::string UnescapeUdevName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
        HexValue(name[i + 2]) >= 0 && HexValue(name[i + 3]) >= 0) {
      out += static_cast<char>(HexValue(name[i + 2]) * 16 + HexValue(name[i + 3]));
      i += 3;
    } else {
      out += name[i];
    }
  }
  return out;
}

std::optional<MountInfoEntry> ParseMountInfoLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  while (pos <= line.size()) {
    std::size_t next = line.find(' ', pos);
    if (next == std::string_view::npos) next = line.size();
    fields.push_back(line.substr(pos, next - pos));
    pos = next + 1;
  }
  // Six fixed fields, any number of optional ones, "-", then the type
  // and the source (which the kernel leaves empty for some mounts).
  constexpr std::size_t kFixedFields = 6;
  if (fields.size() < kFixedFields + 2) return std::nullopt;
  for (std::size_t i = 0; i < kFixedFields; ++i) {
    if (fields[i].empty()) return std::nullopt;
  }
  std::size_t separator = kFixedFields;
  while (separator < fields.size() && fields[separator] != "-") {
    if (fields[separator].empty()) return std::nullopt;
    ++separator;
  }
  if (separator + 1 >= fields.size() || fields[separator + 1].empty()) {
    return std::nullopt;
  }

  MountInfoEntry entry;
  std::string_view device = fields[2];
  std::size_t colon = device.find(':');
  if (colon == std::string_view::npos ||
      !ParseNumber(fields[0], &entry.mount_id) ||
      !ParseNumber(fields[1], &entry.parent_id) ||
      !ParseNumber(device.substr(0, colon), &entry.major) ||
      !ParseNumber(device.substr(colon + 1), &entry.minor)) {
    return std::nullopt;
  }
  entry.root = UnescapeMountField(fields[3]);
  entry.mount_point = UnescapeMountField(fields[4]);
  entry.options = UnescapeMountField(fields[5]);
  if (entry.root.front() != '/' || entry.mount_point.front() != '/') {
    return std::nullopt;
  }
  // The kernel writes mount points clean, free of links; a table that
  // does not is read as if it had, so that a point is found by the path
  // it names, which a lookup resolves the same way.
  if (std::optional<std::string> clean =
          CleanPath(entry.mount_point, {}, DotDot::kFold)) {
    entry.mount_point = std::move(*clean);
  }
  entry.fs_type = UnescapeMountField(fields[separator + 1]);
  if (separator + 2 < fields.size()) {
    entry.source = UnescapeMountField(fields[separator + 2]);
  }
  return entry;
}

std::vector<MountInfoEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountInfoEntry> entries;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    if (auto entry = ParseMountInfoLine(text.substr(pos, end - pos))) {
      entries.push_back(std::move(*entry));
    }
    pos = end + 1;
  }
  return entries;
}

bool FileSystemRecordsOwners(std::string_view file_system) {
  std::string name = Lower(file_system);
  if (Contains(kOwnerFileSystems, name) || Contains(kOwnerFuseFileSystems, name)) {
    return true;
  }
  constexpr std::string_view kFuseBlockNtfs = "fuseblk.ntfs";
  return name.rfind(kFuseBlockNtfs, 0) == 0;
}

MountInfoVolumeSource::MountInfoVolumeSource(MountProbes probes)
    : probes_(std::move(probes)) {}

Status MountInfoVolumeSource::Reload() {
  std::string text;
  const Status read = probes_.read_mountinfo
                          ? probes_.read_mountinfo(&text)
                          : Status(StatusCode::kUnsupported);
  mounts_ = read.ok() ? ParseMountInfo(text) : std::vector<MountInfoEntry>{};
  loaded_ = true;
  return read;
}

const std::vector<MountInfoEntry>& MountInfoVolumeSource::Mounts() {
  if (!loaded_) Reload().ok();  // an unreadable table holds no mounts
  return mounts_;
}

Status MountInfoVolumeSource::ListRoots(std::vector<std::string>* roots) {
  if (Status read = Reload(); !read.ok()) return read;
  // A later mount on the same place hides the earlier one.
  std::unordered_map<std::string_view, std::size_t> top;
  for (std::size_t i = 0; i < mounts_.size(); ++i) {
    top[mounts_[i].mount_point] = i;
  }
  // Per device: the mount of its own root, else the first one seen.
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::size_t> chosen;
  for (std::size_t i = 0; i < mounts_.size(); ++i) {
    const MountInfoEntry& mount = mounts_[i];
    if (top[mount.mount_point] != i) continue;
    if (probes_.is_directory && !probes_.is_directory(mount.mount_point)) continue;
    auto [it, inserted] = chosen.try_emplace({mount.major, mount.minor}, i);
    if (!inserted && mount.root == "/" && mounts_[it->second].root != "/") {
      it->second = i;
    }
  }
  std::vector<std::size_t> order;
  order.reserve(chosen.size());
  for (const auto& [device, index] : chosen) order.push_back(index);
  std::sort(order.begin(), order.end());
  roots->clear();
  roots->reserve(order.size());
  for (std::size_t i : order) roots->push_back(mounts_[i].mount_point);
  return Status::Ok();
}

Status MountInfoVolumeSource::Resolve(std::string_view path,
                                      std::string* resolved) const {
  if (probes_.resolve) return probes_.resolve(std::string(path), resolved);
  std::optional<std::string> clean = CleanPath(path, {}, DotDot::kFold);
  if (!clean) return Status(StatusCode::kNotFound);
  *resolved = std::move(*clean);
  return Status::Ok();
}

Status MountInfoVolumeSource::MountOf(std::string_view root,
                                      const MountInfoEntry** mount) {
  std::string path;
  if (Status resolved = Resolve(root, &path); !resolved.ok()) return resolved;
  const MountInfoEntry* found = FindMount(path);
  if (found == nullptr) return Status(StatusCode::kNotFound);
  *mount = found;
  return Status::Ok();
}

const MountInfoEntry* MountInfoVolumeSource::FindMount(
    const std::string& resolved_path) {
  std::pair<std::uint32_t, std::uint32_t> number;
  std::optional<std::pair<std::uint32_t, std::uint32_t>> device;
  if (probes_.device_of && probes_.device_of(resolved_path, &number).ok()) {
    device = number;
  }
  // The deepest mount point that holds the path, the later of equals
  // (it lies on top). When the device of the path is known, a mount of
  // that device wins over one that a later mount has covered.
  const MountInfoEntry* best = nullptr;
  const MountInfoEntry* best_same_device = nullptr;
  for (const MountInfoEntry& mount : Mounts()) {
    if (!PathWithin(mount.mount_point, resolved_path)) continue;
    if (!best || mount.mount_point.size() >= best->mount_point.size()) {
      best = &mount;
    }
    if (device && device->first == mount.major && device->second == mount.minor &&
        (!best_same_device ||
         mount.mount_point.size() >= best_same_device->mount_point.size())) {
      best_same_device = &mount;
    }
  }
  return best_same_device ? best_same_device : best;
}

VolumeKind MountInfoVolumeSource::KindOfMount(
    const MountInfoEntry& mount) const {
  std::string fs = Lower(mount.fs_type);
  if (Contains(kNetworkFileSystems, fs)) return VolumeKind::kRemote;
  if (fs == "tmpfs" || fs == "ramfs") return VolumeKind::kRam;
  if (fs == "iso9660" || fs == "udf") return VolumeKind::kOptical;
  if (mount.major != 0) {
    if (mount.major == kScsiCdRomMajor || IsOpticalDeviceName(mount.source)) {
      return VolumeKind::kOptical;
    }
    if (probes_.is_removable && probes_.is_removable(mount.major, mount.minor)) {
      return VolumeKind::kRemovable;
    }
    return VolumeKind::kFixed;
  }
  // Disk file systems that mountinfo shows with an anonymous device
  // number (btrfs, zfs, overlay, ...) rather than their block device.
  if (FileSystemRecordsOwners(fs)) return VolumeKind::kFixed;
  // proc, sysfs, cgroup and other pseudo file systems
  return VolumeKind::kUnknown;
}

VolumeKind MountInfoVolumeSource::KindOf(std::string_view root) {
  std::string path;
  if (!Resolve(root, &path).ok()) return VolumeKind::kMissing;
  const MountInfoEntry* mount = FindMount(path);
  return mount ? KindOfMount(*mount) : VolumeKind::kUnknown;
}

Status MountInfoVolumeSource::ReadNames(std::string_view root,
                                        VolumeNames* info) {
  const MountInfoEntry* mount = nullptr;
  if (Status found = MountOf(root, &mount); !found.ok()) return found;
  info->label = probes_.label ? probes_.label(*mount) : std::string();
  info->file_system = mount->fs_type;
  return Status::Ok();
}

Status MountInfoVolumeSource::ReadSpace(std::string_view root,
                                        VolumeSpace* space) {
  std::string path;
  if (Status resolved = Resolve(root, &path); !resolved.ok()) return resolved;
  if (!probes_.disk_space) return Status(StatusCode::kUnsupported);
  return probes_.disk_space(path, space);
}

Status MountInfoVolumeSource::GetMountPoint(std::string_view path,
                                            std::string* mount_point) {
  const MountInfoEntry* mount = nullptr;
  if (Status found = MountOf(path, &mount); !found.ok()) return found;
  *mount_point = mount->mount_point;
  return Status::Ok();
}

Status MountInfoVolumeSource::IdentifyMount(std::string_view path,
                                            MountIdentity* identity) {
  std::string resolved;
  if (Status status = Resolve(path, &resolved); !status.ok()) return status;
  const MountInfoEntry* mount = FindMount(resolved);
  if (mount == nullptr) return Status(StatusCode::kNotFound);
  identity->mount = *mount;
  identity->uuid = probes_.uuid ? probes_.uuid(*mount) : std::string();
  identity->resolved_path = std::move(resolved);
  return Status::Ok();
}

bool MountInfoVolumeSource::RecordsOwners(std::string_view file_system) const {
  return FileSystemRecordsOwners(file_system);
}

}  // namespace ovik
