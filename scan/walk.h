// Internals of the walk, shared by the scan and its tests.
#ifndef OVIK_SCAN_WALK_H_
#define OVIK_SCAN_WALK_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace ovik {

// Where an entry stands in the walk's order: the ordinals of the
// subdirectories leading to its directory, then its place in the listing.
// A directory's own entries come before anything below it, and its
// subdirectories follow each other in listing order, so comparing
// positions gives the order a single depth-first walk meets entries in.
struct WalkPosition {
  std::vector<std::uint32_t> directory;
  std::uint64_t entry = 0;

  friend bool operator<(const WalkPosition& a, const WalkPosition& b) {
    if (a.directory != b.directory) return a.directory < b.directory;
    return a.entry < b.entry;
  }
};

// Whether the walk goes into this entry: real directories only, never a
// link or reparse point. "." and ".." never reach here; every other name,
// those beginning with a dot included, is walked.
bool IsDescendable(const Entry& entry);

}  // namespace ovik

#endif  // OVIK_SCAN_WALK_H_
