// Which series a scan of a path belongs to, from the mount that holds it:
// the file system by its own identity (its UUID where it has one, else
// its type and source), and the path from the file system's root (the
// mount's own root joined with the path below the mount point), so a
// renamed mount point, or the same file system mounted elsewhere, still
// matches and two bind mounts of different directories do not.
#ifndef OVIK_HISTORY_SERIES_KEY_H_
#define OVIK_HISTORY_SERIES_KEY_H_

#include <string_view>

#include "history/saved_scan.h"
#include "platform/mountinfo.h"

namespace ovik {

// |resolved_path| is absolute and free of links, below |mount|'s mount
// point; |uuid| the file system's UUID, empty when it has none.
SeriesKey SeriesKeyFor(const MountInfoEntry& mount, std::string_view uuid,
                       std::string_view resolved_path);

}  // namespace ovik

#endif  // OVIK_HISTORY_SERIES_KEY_H_
