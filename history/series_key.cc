#include "history/series_key.h"

#include <string>

namespace ovik {

SeriesKey SeriesKeyFor(const MountInfoEntry& mount, std::string_view uuid,
                       std::string_view resolved_path) {
  SeriesKey key;
  if (!uuid.empty()) {
    key.volume = "uuid:" + std::string(uuid);
  } else {
    key.volume = mount.fs_type + ":" + mount.source;
    // A source such as "tmpfs" or "none" names no one file system; the
    // device numbers do, for as long as it is mounted.
    if (mount.source.find_first_of("/:") == std::string::npos) {
      key.volume +=
          ":" + std::to_string(mount.major) + ":" + std::to_string(mount.minor);
    }
  }
  std::string_view below = resolved_path;
  const std::string_view point = mount.mount_point;
  if (below.substr(0, point.size()) == point) below.remove_prefix(point.size());
  std::string root = mount.root == "/" ? std::string() : mount.root;
  if (!below.empty() && below.front() != '/') root += '/';
  root += below;
  key.root_in_volume = root.empty() ? "/" : root;
  return key;
}

}  // namespace ovik
