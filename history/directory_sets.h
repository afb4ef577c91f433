// An owner's saved directories as the history file keeps them. Most
// owners' directories do not change from one night to the next, so a set
// is stored once and shared by every scan that has it; a set that did
// change is stored as its changes against an earlier whole set (its
// base) when that is much smaller. A base is always a whole set, so
// reading a set takes at most two.
//
// Entries are kept in the order of their paths, each path stored as the
// bytes it shares with the one before and the rest (the paths of one
// owner share long beginnings), each figure as what the directory holds
// beside the saved directories below it (a file written deep down
// changes one entry, not all those above it).
#ifndef OVIK_HISTORY_DIRECTORY_SETS_H_
#define OVIK_HISTORY_DIRECTORY_SETS_H_

#include <string>
#include <string_view>
#include <vector>

#include "history/saved_scan.h"

namespace ovik {

// A set's entries in the order of their paths (bytes compared), as the
// functions below take them; the entries stay where they are.
using PathOrder = std::vector<const SavedDirectory*>;
PathOrder InPathOrder(const std::vector<SavedDirectory>& directories);

// Both encodings are canonical: one set gives one encoding (against one
// base), so two sets are equal exactly when their encodings are.
std::string EncodeWholeSet(const PathOrder& by_path);
// |by_path| as the changes from |base| (in path order).
std::string EncodeChanges(const std::vector<SavedDirectory>& base,
                          const PathOrder& by_path);

// Whether |stored| holds changes, which need their base to be read.
bool HoldsChanges(std::string_view stored);

// The set |stored| holds, in path order; |base| is the whole set it
// changes, nullptr for a whole set. False when |stored| is damaged.
bool DecodeSet(std::string_view stored, const std::vector<SavedDirectory>* base,
               std::vector<SavedDirectory>* by_path);

}  // namespace ovik

#endif  // OVIK_HISTORY_DIRECTORY_SETS_H_
