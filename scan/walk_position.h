// Where an entry stands in the walk's order, so that pieces of the walk
// done apart (by other threads, or elsewhere) can be put back in the
// order one depth-first walk meets them.
#ifndef OVIK_SCAN_WALK_POSITION_H_
#define OVIK_SCAN_WALK_POSITION_H_

#include <cstdint>
#include <vector>

namespace ovik {

// The ordinals of the subdirectories leading to an entry's directory, then
// its place in the listing. A directory's own entries come before anything
// below it, and its subdirectories follow each other in listing order, so
// comparing positions gives the order a single depth-first walk meets
// entries in.
struct WalkPosition {
  std::vector<std::uint32_t> directory;
  std::uint64_t entry = 0;

  friend bool operator<(const WalkPosition& a, const WalkPosition& b) {
    if (a.directory != b.directory) return a.directory < b.directory;
    return a.entry < b.entry;
  }
};

}  // namespace ovik

#endif  // OVIK_SCAN_WALK_POSITION_H_
