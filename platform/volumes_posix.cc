// Volumes on Linux: the mount table of this process, with the probes
// wired to the machine.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <limits>
#include <cstdlib>
#include <memory>
#include <utility>
#include <string>

#include "platform/disk_links_posix.h"
#include "platform/mountinfo.h"
#include "platform/volumes.h"

namespace ovik {
namespace {

// Whole contents of a small file of /proc or /sys.
Status ReadSmallFile(const std::string& path, std::string* text) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Status::FromSystemError(errno);
  std::string read;
  char buffer[16384];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      return Status::FromSystemError(error);
    }
    if (n == 0) break;
    read.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  *text = std::move(read);
  return Status::Ok();
}

// Stat without setting off an automounter on the way.
bool StatNoAutomount(const std::string& path, struct stat* st) {
  return ::fstatat(AT_FDCWD, path.c_str(), st, AT_NO_AUTOMOUNT) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return StatNoAutomount(path, &st) && S_ISDIR(st.st_mode);
}

// The flag sits on the whole disk; a partition's sysfs directory lies
// inside its disk's.
bool IsRemovable(std::uint32_t major, std::uint32_t minor) {
  std::string device = "/sys/dev/block/" + std::to_string(major) + ":" +
                       std::to_string(minor);
  std::string flag;
  if (!ReadSmallFile(device + "/removable", &flag).ok() &&
      !ReadSmallFile(device + "/../removable", &flag).ok()) {
    return false;
  }
  return !flag.empty() && flag[0] == '1';
}

Status RealPath(const std::string& path, std::string* resolved) {
  std::unique_ptr<char, decltype(&std::free)> real(
      ::realpath(path.c_str(), nullptr), &std::free);
  if (!real) return Status::FromSystemError(errno);
  *resolved = real.get();
  return Status::Ok();
}

// Held at the largest value rather than wrapping.
std::uint64_t Bytes(std::uint64_t blocks, std::uint64_t block_size) {
  if (block_size != 0 &&
      blocks > std::numeric_limits<std::uint64_t>::max() / block_size) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return blocks * block_size;
}

// The counts statvfs gives are in fragments of f_frsize bytes (f_bsize
// where a file system leaves that 0).
Status SpaceOf(const std::string& path, VolumeSpace* space) {
  struct statvfs fs;
  if (::statvfs(path.c_str(), &fs) != 0) return Status::FromSystemError(errno);
  const std::uint64_t unit = fs.f_frsize != 0 ? fs.f_frsize : fs.f_bsize;
  space->unit_bytes = unit;
  space->total_bytes = Bytes(fs.f_blocks, unit);
  space->free_bytes = Bytes(fs.f_bavail, unit);
  return Status::Ok();
}

Status DeviceOf(const std::string& path,
                std::pair<std::uint32_t, std::uint32_t>* device) {
  struct stat st;
  if (!StatNoAutomount(path, &st)) return Status::FromSystemError(errno);
  *device = {static_cast<std::uint32_t>(::major(st.st_dev)),
             static_cast<std::uint32_t>(::minor(st.st_dev))};
  return Status::Ok();
}

}  // namespace

std::unique_ptr<VolumeSource> MakeSystemVolumeSource() {
  MountProbes probes;
  probes.read_mountinfo = [](std::string* text) {
    return ReadSmallFile("/proc/self/mountinfo", text);
  };
  probes.is_directory = IsDirectory;
  probes.is_removable = IsRemovable;
  probes.label = [](const MountInfoEntry& mount) {
    return DiskLinkNameFor(kDiskLabels, mount);
  };
  probes.uuid = [](const MountInfoEntry& mount) {
    return DiskLinkNameFor(kDiskUuids, mount);
  };
  probes.disk_space = SpaceOf;
  probes.resolve = RealPath;
  probes.device_of = DeviceOf;
  return std::make_unique<MountInfoVolumeSource>(std::move(probes));
}

}  // namespace ovik
