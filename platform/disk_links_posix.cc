#include "platform/disk_links_posix.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdlib>
#include <memory>

#include "platform/mountinfo.h"

namespace ovik {
namespace {

bool RealPath(const std::string& path, std::string* resolved) {
  std::unique_ptr<char, decltype(&std::free)> real(
      ::realpath(path.c_str(), nullptr), &std::free);
  if (!real) return false;
  *resolved = real.get();
  return true;
}

}  // namespace

std::string DiskLinkNameFor(const std::string& directory,
                            const MountInfoEntry& mount) {
  const bool has_device_path = mount.source.rfind("/dev/", 0) == 0;
  if (mount.major == 0 && !has_device_path) return {};
  std::string source_path;
  const bool has_source_path =
      has_device_path && RealPath(mount.source, &source_path);
  DIR* listing = ::opendir(directory.c_str());
  if (!listing) return {};
  std::string found;
  while (dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string link = directory + "/" + name;
    struct stat st;
    bool same_device = ::stat(link.c_str(), &st) == 0 && S_ISBLK(st.st_mode) &&
                       mount.major != 0 && ::major(st.st_rdev) == mount.major &&
                       ::minor(st.st_rdev) == mount.minor;
    if (!same_device && has_source_path) {
      std::string target;
      same_device = RealPath(link, &target) && target == source_path;
    }
    if (same_device) {
      found = UnescapeUdevName(name);
      break;
    }
  }
  ::closedir(listing);
  return found;
}

}  // namespace ovik
