// The lines of `ovik where`: one directory each, fields separated by
// tabs, so that scripts can read them:
//
//   SIZE  SHARE  BYTES  PATH  [+]
//
// SIZE as the ranking shows sizes ("300MB"), SHARE the owner's bytes
// there as a share of all the owner's bytes ("75.0000%"), BYTES the
// exact figure, PATH the directory with every byte that could break the
// line or drive a terminal (and the backslash) written as \ooo. A fifth
// field "+" marks a directory whose total includes directories below it
// that could not be listed on their own. Lines end in LF.
#ifndef OVIK_PRESENT_WHERE_LINES_H_
#define OVIK_PRESENT_WHERE_LINES_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace ovik {

std::string BuildWhereLine(std::uint64_t bytes, std::uint64_t owner_total,
                           std::string_view path, bool holds_folded);

// |relative| (names joined by '/', empty for the root itself) below the
// directory |root|.
std::string JoinPath(std::string_view root, std::string_view relative);

}  // namespace ovik

#endif  // OVIK_PRESENT_WHERE_LINES_H_
