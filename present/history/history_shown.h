// Pieces the history's outputs share: changes, kinds of owner, what a
// scan left out, all as the user reads them.
#ifndef OVIK_PRESENT_HISTORY_HISTORY_SHOWN_H_
#define OVIK_PRESENT_HISTORY_HISTORY_SHOWN_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "history/growth.h"
#include "history/saved_scan.h"

namespace ovik {

// "+12GB", "-3MB": sized as the ranking sizes, with a sign.
std::string ShownSizeChange(const Change& change);
// "+12884901888", "-3": exact.
std::string ShownChange(const Change& change);
// "appeared", "vanished", or nothing.
std::string_view PresenceName(Presence presence);
// "uid 1000", "gid 100", "unreadable".
std::string ShownWho(const Who& who);
// "2 directories skipped, 1 unreadable entry"; empty when nothing was.
std::string ShownMissing(const MissingCounts& missing);
// "complete", or "incomplete (what was left out)".
std::string ShownCompleteness(const ScanFacts& facts);
// The first |top| of |size| rows, all when |top| is 0.
std::size_t Shown(std::size_t size, std::size_t top);

// How the directory rows' notes read: a directory saved in one scan
// only.
inline constexpr std::string_view kNewlySaved = "newly saved";
inline constexpr std::string_view kNoLongerSaved = "no longer saved";

}  // namespace ovik

#endif  // OVIK_PRESENT_HISTORY_HISTORY_SHOWN_H_
