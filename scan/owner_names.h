// The name each owner of a scan is counted under.
#ifndef OVIK_SCAN_OWNER_NAMES_H_
#define OVIK_SCAN_OWNER_NAMES_H_

#include <string>
#include <string_view>

#include "platform/filesystem.h"

namespace ovik {

// Name under which entries whose owner cannot be read are counted. It
// holds a colon, which no account name on any supported system can.
inline constexpr std::string_view kUnreadableOwnerName = "<unreadable>:";

// The owner's account name; where it has none, or it cannot be had, the
// identifier's own text; where the key is no identifier at all, the
// unreadable pseudo-owner. Never the name of another owner.
std::string OwnerName(FileSystem& fs, std::string_view owner_key);

}  // namespace ovik

#endif  // OVIK_SCAN_OWNER_NAMES_H_
