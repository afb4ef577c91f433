#include "platform/mount_points_posix.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "platform/mountinfo.h"

namespace ovik {

std::shared_ptr<const MountPointSet> MountPointSet::Below(
    int root_fd, const std::string& root_path, std::string_view mountinfo) {
  // The table names mount points by absolute path without links.
  char* resolved = realpath(root_path.c_str(), nullptr);
  if (resolved == nullptr) return nullptr;
  std::string root(resolved);
  free(resolved);
  // The path must still name the directory the scan opened.
  struct stat by_path, by_fd;
  if (stat(root.c_str(), &by_path) != 0 || fstat(root_fd, &by_fd) != 0 ||
      by_path.st_dev != by_fd.st_dev || by_path.st_ino != by_fd.st_ino) {
    return nullptr;
  }
  if (root.back() != '/') root.push_back('/');
  auto set = std::make_shared<MountPointSet>();
  for (const MountInfoEntry& mount : ParseMountInfo(mountinfo)) {
    const std::string& point = mount.mount_point;
    if (point.size() <= root.size() || point.compare(0, root.size(), root) != 0) {
      continue;
    }
    const std::size_t slash = point.rfind('/');
    const std::string directory = point.substr(0, slash == 0 ? 1 : slash);
    struct stat st;
    if (stat(directory.c_str(), &st) != 0) continue;
    set->places_.insert({st.st_dev, st.st_ino, point.substr(slash + 1)});
  }
  return set;
}

std::shared_ptr<const MountPointSet> MountPointSet::Below(
    int root_fd, const std::string& root_path) {
  std::ifstream in("/proc/self/mountinfo");
  if (!in) return nullptr;
  std::ostringstream text;
  text << in.rdbuf();
  return Below(root_fd, root_path, text.str());
}

}  // namespace ovik
