// A finished scan's rankings as the history keeps them: each owner (or
// group) by who it is, with its bytes, files and bytes by age, and each
// owner's notable directories where the scan kept directories. Shared by
// the commands that save and the terminal dialog.
#ifndef OVIK_HISTORY_SAVED_FROM_SCAN_H_
#define OVIK_HISTORY_SAVED_FROM_SCAN_H_

#include <vector>

#include "history/saved_scan.h"
#include "scan/directory_usage.h"
#include "scan/ranked_by.h"
#include "scan/ranking.h"
#include "scan/stats.h"

namespace ovik {

// What |stats| tells of a scan, into |facts|: its threads, whether it was
// complete and what it missed, its total bytes and files. Parts of a
// volume's table that could not be read left out what they hold, as a
// directory skipped does.
void SetFactsFromStats(const ScanStats& stats, ScanFacts* facts);

// The owners (|by| kOwner: uids) or groups (gids) of |ranking|; the
// pseudo-owner of entries whose owner could not be read is kUnreadable.
// A record with nothing counted (the administrators' head of a ranking)
// is left out. Owners get their directories from |usage| when it holds
// them; groups never do.
std::vector<SavedOwner> SavedOwnersOf(const Ranking& ranking, RankedBy by,
                                      const DirectoryUsage& usage);

// The directories that hold a real part of an owner's bytes: every one
// that holds at least 1/kNotableShare of them, its ancestors included
// (each holds at least as much), the largest kMostNotable. With the
// ancestors saved, bytes added deep down show as the same change at
// every level above, and the deepest of them says where they went; a
// directory that only now holds two of the owner's subtrees does not
// look new.
std::vector<SavedDirectory> NotableDirectoriesOf(const DirectoryUsage& usage,
                                                 RankedBy by,
                                                 OwnerIndex owner);

}  // namespace ovik

#endif  // OVIK_HISTORY_SAVED_FROM_SCAN_H_
