#include "scan/stats.h"

#include "scan/saturating.h"

namespace ovik {

ScanStats& ScanStats::operator+=(const ScanStats& other) {
  files += other.files;
  bytes = SaturatingAdd(bytes, other.bytes);
  directories += other.directories;
  skipped_directories += other.skipped_directories;
  skipped_for_handles += other.skipped_for_handles;
  unreadable_entries += other.unreadable_entries;
  vanished_entries += other.vanished_entries;
  other_volumes += other.other_volumes;
  hard_link_duplicates += other.hard_link_duplicates;
  younger_entries += other.younger_entries;
  unread_table_parts += other.unread_table_parts;
  unnamed_owners += other.unnamed_owners;
  return *this;
}

bool IsComplete(const ScanStats& stats) {
  return stats.skipped_directories == 0 && stats.unreadable_entries == 0 &&
         stats.unread_table_parts == 0 &&
         stats.saturated_totals == 0 && stats.unnamed_owners == 0;
}

}  // namespace ovik
