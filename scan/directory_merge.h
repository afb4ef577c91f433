// Puts the walkers' directory records together: every directory in walk
// order, whichever walker recorded it, each with its own bytes per owner
// of the ranked table.
#ifndef OVIK_SCAN_DIRECTORY_MERGE_H_
#define OVIK_SCAN_DIRECTORY_MERGE_H_

#include <optional>
#include <vector>

#include "scan/recorded_part.h"
#include "scan/directory_usage.h"
#include "scan/owner_table.h"

namespace ovik {

// One walker's records, and where each of its owners (and groups) went
// in the tables, by the owners' part_index.
struct DirectoryPart {
  RecordedPart recorded;
  std::vector<std::optional<OwnerIndex>> owners;
  std::vector<std::optional<OwnerIndex>> groups;
};

// |parts|[s] must hold the records of store s; they are used up as the
// merge goes.
DirectoryUsage MergeDirectories(std::vector<DirectoryPart> parts,
                                bool groups);

}  // namespace ovik

#endif  // OVIK_SCAN_DIRECTORY_MERGE_H_
