#include "history/schema.h"

#include <sqlite3.h>

#include <string>

#include "history/sqlite_db.h"

namespace ovik {
namespace {

// Each step brings the layout from the version before it to its own.
// Steps are never changed once released: a file written by any earlier
// program goes through the same steps.
struct Step {
  int version;
  const char* sql;
};

constexpr Step kSteps[] = {
    {1,
     // Scans that compare: one file system, one root within it.
     "CREATE TABLE series("
     "  id INTEGER PRIMARY KEY,"
     "  volume BLOB NOT NULL,"
     "  root_in_volume BLOB NOT NULL,"
     "  UNIQUE(volume, root_in_volume));"
     // Owners and groups by who they are; the newest name beside.
     "CREATE TABLE who("
     "  id INTEGER PRIMARY KEY,"
     "  kind TEXT NOT NULL,"
     "  ident BLOB NOT NULL,"
     "  name BLOB NOT NULL,"
     "  UNIQUE(kind, ident));"
     "CREATE TABLE scan("
     "  id INTEGER PRIMARY KEY,"
     "  series INTEGER NOT NULL REFERENCES series(id),"
     "  started INTEGER NOT NULL,"
     "  finished INTEGER NOT NULL,"
     "  root BLOB NOT NULL,"
     "  mount_point BLOB NOT NULL,"
     "  volume_label BLOB NOT NULL,"
     "  method TEXT NOT NULL,"
     "  threads INTEGER NOT NULL,"
     "  complete INTEGER NOT NULL,"
     "  skipped_directories INTEGER NOT NULL,"
     "  unreadable_entries INTEGER NOT NULL,"
     "  unrecorded_owners INTEGER NOT NULL,"
     "  saturated_totals INTEGER NOT NULL,"
     "  total_bytes INTEGER NOT NULL,"
     "  total_files INTEGER NOT NULL,"
     "  capacity_bytes INTEGER,"
     "  owner_count INTEGER NOT NULL,"
     "  group_count INTEGER NOT NULL);"
     "CREATE INDEX scan_by_series ON scan(series, started, id);"
     // Each scan's figures, packed (history/figures_codec.h).
     "CREATE TABLE figures("
     "  scan INTEGER PRIMARY KEY REFERENCES scan(id),"
     "  owner_figures BLOB NOT NULL,"
     "  group_figures BLOB NOT NULL);"
     // Owners' directories, shared by scans (history/directory_sets.h).
     "CREATE TABLE dirset("
     "  id INTEGER PRIMARY KEY,"
     "  base INTEGER REFERENCES dirset(id),"
     "  body BLOB NOT NULL);"},
    {2,
     // Pruning by age looks at every series at once.
     "CREATE INDEX scan_by_start ON scan(started);"},
};

}  // namespace

int MigrateHistory(sqlite3* db, int from) {
  for (const Step& step : kSteps) {
    if (step.version <= from) continue;
    if (const int rc = ExecSql(db, step.sql); rc != SQLITE_OK) return rc;
  }
  const std::string mark =
      "PRAGMA application_id=" + std::to_string(kHistoryApplicationId) +
      ";PRAGMA user_version=" + std::to_string(kHistoryVersion) + ";";
  return ExecSql(db, mark.c_str());
}

}  // namespace ovik
