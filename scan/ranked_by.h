// What a ranking ranks: the files' owners, or their groups.
#ifndef OVIK_SCAN_RANKED_BY_H_
#define OVIK_SCAN_RANKED_BY_H_

#include <cstdint>

namespace ovik {

enum class RankedBy : std::uint8_t { kOwner, kGroup };

}  // namespace ovik

#endif  // OVIK_SCAN_RANKED_BY_H_
