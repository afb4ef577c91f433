// The layout of the history file and how an older one is brought up to
// date. A file says which layout it has (SQLite's user_version) and that
// it is a history of this program at all (its application_id); a program
// migrates older files forward step by step and refuses a newer one.
#ifndef OVIK_HISTORY_SCHEMA_H_
#define OVIK_HISTORY_SCHEMA_H_

#include <cstdint>

struct sqlite3;

namespace ovik {

// "Ovik" in ASCII.
inline constexpr std::int32_t kHistoryApplicationId = 0x4f76696b;
// The layout this program writes, and the oldest it reads without
// bringing it up to date first (readers write nothing).
inline constexpr int kHistoryVersion = 2;
inline constexpr int kOldestReadableVersion = 1;

// Brings a file of layout |from| (0: an empty database) to
// kHistoryVersion, marking it as a history. Run inside a write
// transaction; returns SQLite's result code.
int MigrateHistory(sqlite3* db, int from);

}  // namespace ovik

#endif  // OVIK_HISTORY_SCHEMA_H_
