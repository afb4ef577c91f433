#include "history/history.h"

#include <errno.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "history/directory_sets.h"
#include "history/figures_codec.h"
#include "history/schema.h"
#include "history/sqlite_db.h"

namespace ovik {
namespace {

// What became of the file, said after each failure.
constexpr const char* kLeftAsItIs = "it was left as it is";
constexpr const char* kNothingSaved =
    "nothing was saved, the file is as it was";
constexpr const char* kNothingRemoved =
    "nothing was removed, the file is as it was";

int Corrupt() { return SQLITE_CORRUPT; }

std::chrono::sys_seconds Seconds(std::int64_t n) {
  return std::chrono::sys_seconds(std::chrono::seconds(n));
}

std::int64_t FromSeconds(std::chrono::sys_seconds t) {
  return t.time_since_epoch().count();
}

// The directory sets a history holds, read once each while a call runs.
class SetReader {
 public:
  explicit SetReader(sqlite3* db) : db_(db) {}

  // Set |id| as stored: its base (0 for a whole set) and its body.
  int ReadStored(std::int64_t id, std::int64_t* base, std::string* body) {
    if (!prepared_) {
      const int rc =
          select_.Prepare(db_, "SELECT base, body FROM dirset WHERE id=?");
      if (rc != SQLITE_OK) return rc;
      prepared_ = true;
    }
    select_.Reset();
    select_.Bind(1, id);
    const int rc = select_.Step();
    if (rc == SQLITE_DONE) return Corrupt();  // referred to, not there
    if (rc != SQLITE_ROW) return rc;
    *base = select_.IsNull(0) ? 0 : select_.Int(0);
    body->assign(select_.Blob(1));
    select_.Reset();
    return SQLITE_OK;
  }

  // Set |id| in path order, and its base (0 for a whole set).
  int Read(std::int64_t id, const std::vector<SavedDirectory>** set,
           std::int64_t* base) {
    if (auto it = cache_.find(id); it != cache_.end()) {
      *set = &it->second.set;
      *base = it->second.base;
      return SQLITE_OK;
    }
    Entry entry;
    std::string body;
    if (const int rc = ReadStored(id, &entry.base, &body); rc != SQLITE_OK) {
      return rc;
    }
    const std::vector<SavedDirectory>* base_set = nullptr;
    if (HoldsChanges(body)) {
      std::int64_t base_of_base = 0;
      if (entry.base == 0 || entry.base == id) return Corrupt();
      if (const int base_rc = Read(entry.base, &base_set, &base_of_base);
          base_rc != SQLITE_OK) {
        return base_rc;
      }
      if (base_of_base != 0) return Corrupt();  // a base is always whole
    }
    if (!DecodeSet(body, base_set, &entry.set)) return Corrupt();
    auto [it, added] = cache_.emplace(id, std::move(entry));
    *set = &it->second.set;
    *base = it->second.base;
    return SQLITE_OK;
  }

 private:
  struct Entry {
    std::int64_t base = 0;
    std::vector<SavedDirectory> set;
  };
  sqlite3* db_;
  SqlStatement select_;
  bool prepared_ = false;
  std::unordered_map<std::int64_t, Entry> cache_;
};

void SortLargestFirst(std::vector<SavedDirectory>* directories) {
  std::sort(directories->begin(), directories->end(),
            [](const SavedDirectory& a, const SavedDirectory& b) {
              if (a.bytes != b.bytes) return a.bytes > b.bytes;
              return a.path < b.path;
            });
}

// The columns of the scan table List and Load read, in this order.
constexpr const char* kFactColumns =
    "scan.id, series.volume, series.root_in_volume, started, finished, root, "
    "mount_point, volume_label, method, threads, complete, "
    "skipped_directories, unreadable_entries, unrecorded_owners, "
    "saturated_totals, total_bytes, total_files, capacity_bytes, "
    "owner_count, group_count";

ScanFacts ReadFacts(const SqlStatement& row) {
  ScanFacts facts;
  int c = 0;
  facts.id = row.Int(c++);
  facts.series.volume = row.Blob(c++);
  facts.series.root_in_volume = row.Blob(c++);
  facts.started = Seconds(row.Int(c++));
  facts.finished = Seconds(row.Int(c++));
  facts.root = row.Blob(c++);
  facts.mount_point = row.Blob(c++);
  facts.volume_label = row.Blob(c++);
  facts.method = row.Blob(c++);
  facts.threads = static_cast<std::uint32_t>(row.Int(c++));
  facts.complete = row.Int(c++) != 0;
  facts.missing.skipped_directories = FromSqlInteger(row.Int(c++));
  facts.missing.unreadable_entries = FromSqlInteger(row.Int(c++));
  facts.missing.unrecorded_owners = FromSqlInteger(row.Int(c++));
  facts.missing.saturated_totals = FromSqlInteger(row.Int(c++));
  facts.total_bytes = FromSqlInteger(row.Int(c++));
  facts.total_files = FromSqlInteger(row.Int(c++));
  if (!row.IsNull(c)) facts.capacity_bytes = FromSqlInteger(row.Int(c));
  ++c;
  facts.owner_count = FromSqlInteger(row.Int(c++));
  facts.group_count = FromSqlInteger(row.Int(c++));
  return facts;
}

// Whether every owner carries |member|, or none does.
bool AllOrNone(const std::vector<SavedOwner>& owners,
               std::optional<AgeBuckets> SavedOwner::*member, bool* all) {
  const auto has = [&](const SavedOwner& o) { return (o.*member).has_value(); };
  *all = !owners.empty() && std::all_of(owners.begin(), owners.end(), has);
  return *all || std::none_of(owners.begin(), owners.end(), has);
}

}  // namespace

// One save: everything it writes, in the one transaction the caller
// holds.
class History::Saver {
 public:
  explicit Saver(History& history) : history_(history), sets_(history.db_) {}

  int Run(const SavedScan& scan, std::int64_t* id) {
    std::int64_t series = 0;
    if (int rc = SeriesId(scan.facts.series, &series); rc != SQLITE_OK) {
      return rc;
    }
    if (int rc = PreviousSets(series); rc != SQLITE_OK) return rc;
    std::string owners;
    std::string groups;
    const std::vector<SavedOwner> owner_list = CombineSameWho(scan.owners);
    const std::vector<SavedOwner> group_list = CombineSameWho(scan.groups);
    if (int rc = Figures(owner_list, WhoKind::kUid, &owners); rc != SQLITE_OK) {
      return rc;
    }
    if (int rc = Figures(group_list, WhoKind::kGid, &groups); rc != SQLITE_OK) {
      return rc;
    }
    return Insert(scan.facts, series, owner_list.size(), group_list.size(),
                  owners, groups, id);
  }

 private:
  sqlite3* db() { return history_.db_; }

  int SeriesId(const SeriesKey& key, std::int64_t* id) {
    SqlStatement select;
    int rc = select.Prepare(
        db(), "SELECT id FROM series WHERE volume=? AND root_in_volume=?");
    if (rc != SQLITE_OK) return rc;
    select.BindBlob(1, key.volume);
    select.BindBlob(2, key.root_in_volume);
    rc = select.Step();
    if (rc == SQLITE_ROW) {
      *id = select.Int(0);
      return SQLITE_OK;
    }
    if (rc != SQLITE_DONE) return rc;
    SqlStatement insert;
    rc = insert.Prepare(db(),
                        "INSERT INTO series(volume, root_in_volume) "
                        "VALUES(?, ?)");
    if (rc != SQLITE_OK) return rc;
    insert.BindBlob(1, key.volume);
    insert.BindBlob(2, key.root_in_volume);
    rc = insert.Step();
    if (rc != SQLITE_DONE) return rc;
    *id = sqlite3_last_insert_rowid(db());
    history_.Wrote();
    return SQLITE_OK;
  }

  // The directory sets of the series' last saved scan, by owner: those
  // that did not change are shared rather than stored again.
  int PreviousSets(std::int64_t series) {
    SqlStatement select;
    int rc = select.Prepare(db(),
                            "SELECT owner_figures FROM figures WHERE scan=("
                            "SELECT max(id) FROM scan WHERE series=?)");
    if (rc != SQLITE_OK) return rc;
    select.Bind(1, series);
    rc = select.Step();
    if (rc == SQLITE_DONE) return SQLITE_OK;
    if (rc != SQLITE_ROW) return rc;
    FigureTable table;
    if (!DecodeFigures(select.Blob(0), &table)) {
      return Corrupt();
    }
    for (const FigureRecord& record : table.records) {
      if (record.directories != 0) {
        previous_sets_[record.who] = record.directories;
      }
    }
    return SQLITE_OK;
  }

  // Every owner and group the history knows, read once: a save looks up
  // each of its owners.
  int ReadWhos() {
    SqlStatement select;
    int rc = select.Prepare(db(), "SELECT id, kind, ident, name FROM who");
    if (rc != SQLITE_OK) return rc;
    while ((rc = select.Step()) == SQLITE_ROW) {
      whos_[WhoKey(select.Blob(1), select.Blob(2))] = {
          select.Int(0), std::string(select.Blob(3))};
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
  }

  static std::string WhoKey(std::string_view kind, std::string_view id) {
    std::string key(kind);
    key += '\0';
    key += id;
    return key;
  }

  int WhoId(const Who& who, std::string_view name, std::int64_t* id) {
    if (!who_prepared_) {
      int rc = ReadWhos();
      if (rc == SQLITE_OK) {
        rc = insert_who_.Prepare(
            db(), "INSERT INTO who(kind, ident, name) VALUES(?, ?, ?)");
      }
      if (rc == SQLITE_OK) {
        rc = rename_who_.Prepare(db(), "UPDATE who SET name=? WHERE id=?");
      }
      if (rc != SQLITE_OK) return rc;
      who_prepared_ = true;
    }
    const std::string key = WhoKey(WhoKindName(who.kind), who.id);
    if (auto known = whos_.find(key); known != whos_.end()) {
      *id = known->second.first;
      if (known->second.second == name) return SQLITE_OK;
      rename_who_.Reset();
      rename_who_.BindBlob(1, name);
      rename_who_.Bind(2, *id);
      const int rc = rename_who_.Step();
      if (rc != SQLITE_DONE) return rc;
      known->second.second = name;
      history_.Wrote();
      return SQLITE_OK;
    }
    insert_who_.Reset();
    insert_who_.BindText(1, WhoKindName(who.kind));
    insert_who_.BindBlob(2, who.id);
    insert_who_.BindBlob(3, name);
    const int rc = insert_who_.Step();
    if (rc != SQLITE_DONE) return rc;
    *id = sqlite3_last_insert_rowid(db());
    whos_[key] = {*id, std::string(name)};
    history_.Wrote();
    return SQLITE_OK;
  }

  // The id of the set |directories| for an owner whose set in the last
  // scan was |previous| (0: none): that one when nothing changed, else a
  // new one, as changes when they are much smaller than the whole. Sets
  // are compared by their encodings, which are canonical: most owners'
  // sets are the same as the night before, and need no decoding.
  int StoreSet(const std::vector<SavedDirectory>& directories,
               std::int64_t previous, std::int64_t* id) {
    const PathOrder order = InPathOrder(directories);
    const std::string whole = EncodeWholeSet(order);
    std::string stored = whole;
    std::int64_t base = 0;
    if (previous != 0) {
      std::int64_t last_base = 0;
      std::string last;
      if (int rc = sets_.ReadStored(previous, &last_base, &last);
          rc != SQLITE_OK) {
        return rc;
      }
      if (last_base == 0 && last == whole) {
        *id = previous;
        return SQLITE_OK;
      }
      base = last_base != 0 ? last_base : previous;
      const std::vector<SavedDirectory>* base_set = nullptr;
      std::int64_t base_of_base = 0;
      if (int rc = sets_.Read(base, &base_set, &base_of_base);
          rc != SQLITE_OK) {
        return rc;
      }
      if (base_of_base != 0) return Corrupt();
      std::string changes = EncodeChanges(*base_set, order);
      if (last_base != 0 && last == changes) {
        *id = previous;
        return SQLITE_OK;
      }
      if (changes.size() * 2 <= whole.size()) {
        stored = std::move(changes);
      } else {
        base = 0;
      }
    }
    if (!set_prepared_) {
      const int rc = insert_set_.Prepare(
          db(), "INSERT INTO dirset(base, body) VALUES(?, ?)");
      if (rc != SQLITE_OK) return rc;
      set_prepared_ = true;
    }
    insert_set_.Reset();
    if (base != 0) {
      insert_set_.Bind(1, base);
    } else {
      insert_set_.BindNull(1);
    }
    insert_set_.BindBlob(2, stored);
    const int rc = insert_set_.Step();
    if (rc != SQLITE_DONE) return rc;
    *id = sqlite3_last_insert_rowid(db());
    history_.Wrote();
    return SQLITE_OK;
  }

  int Figures(const std::vector<SavedOwner>& list, WhoKind usual,
              std::string* packed) {
    FigureTable table;
    if (!AllOrNone(list, &SavedOwner::by_modification,
                   &table.by_modification) ||
        !AllOrNone(list, &SavedOwner::by_access, &table.by_access)) {
      return SQLITE_MISUSE;
    }
    const bool owners = usual == WhoKind::kUid;
    table.records.reserve(list.size());
    for (const SavedOwner& owner : list) {
      FigureRecord record;
      if (int rc = WhoId(owner.who, owner.name, &record.who); rc != SQLITE_OK) {
        return rc;
      }
      record.bytes = owner.bytes;
      record.files = owner.files;
      if (owner.by_modification)
        record.by_modification = *owner.by_modification;
      if (owner.by_access) record.by_access = *owner.by_access;
      if (owners && !owner.directories.empty()) {
        const auto previous = previous_sets_.find(record.who);
        if (int rc = StoreSet(
                owner.directories,
                previous == previous_sets_.end() ? 0 : previous->second,
                &record.directories);
            rc != SQLITE_OK) {
          return rc;
        }
      }
      table.records.push_back(std::move(record));
    }
    *packed = EncodeFigures(table);
    return SQLITE_OK;
  }

  int Insert(const ScanFacts& facts, std::int64_t series,
             std::uint64_t owner_count, std::uint64_t group_count,
             const std::string& owners, const std::string& groups,
             std::int64_t* id) {
    SqlStatement insert;
    int rc = insert.Prepare(
        db(),
        "INSERT INTO scan(series, started, finished, root, mount_point, "
        "volume_label, method, threads, complete, skipped_directories, "
        "unreadable_entries, unrecorded_owners, saturated_totals, "
        "total_bytes, total_files, capacity_bytes, owner_count, group_count) "
        "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (rc != SQLITE_OK) return rc;
    int p = 1;
    insert.Bind(p++, series);
    insert.Bind(p++, FromSeconds(facts.started));
    insert.Bind(p++, FromSeconds(facts.finished));
    insert.BindBlob(p++, facts.root);
    insert.BindBlob(p++, facts.mount_point);
    insert.BindBlob(p++, facts.volume_label);
    insert.BindBlob(p++, facts.method);
    insert.Bind(p++, facts.threads);
    insert.Bind(p++, facts.complete ? 1 : 0);
    insert.Bind(p++, ToSqlInteger(facts.missing.skipped_directories));
    insert.Bind(p++, ToSqlInteger(facts.missing.unreadable_entries));
    insert.Bind(p++, ToSqlInteger(facts.missing.unrecorded_owners));
    insert.Bind(p++, ToSqlInteger(facts.missing.saturated_totals));
    insert.Bind(p++, ToSqlInteger(facts.total_bytes));
    insert.Bind(p++, ToSqlInteger(facts.total_files));
    if (facts.capacity_bytes) {
      insert.Bind(p++, ToSqlInteger(*facts.capacity_bytes));
    } else {
      insert.BindNull(p++);
    }
    insert.Bind(p++, ToSqlInteger(owner_count));
    insert.Bind(p++, ToSqlInteger(group_count));
    rc = insert.Step();
    if (rc != SQLITE_DONE) return rc;
    *id = sqlite3_last_insert_rowid(db());
    history_.Wrote();

    SqlStatement figures;
    rc = figures.Prepare(db(),
                         "INSERT INTO figures(scan, owner_figures, "
                         "group_figures) VALUES(?, ?, ?)");
    if (rc != SQLITE_OK) return rc;
    figures.Bind(1, *id);
    figures.BindBlob(2, owners);
    figures.BindBlob(3, groups);
    rc = figures.Step();
    if (rc != SQLITE_DONE) return rc;
    history_.Wrote();
    return SQLITE_OK;
  }

  History& history_;
  SetReader sets_;
  std::unordered_map<std::int64_t, std::int64_t> previous_sets_;  // by who
  // By kind and id: the row and the name it has.
  std::unordered_map<std::string, std::pair<std::int64_t, std::string>> whos_;
  SqlStatement insert_who_;
  SqlStatement rename_who_;
  bool who_prepared_ = false;
  SqlStatement insert_set_;
  bool set_prepared_ = false;
};

HistoryStatus History::Open(const std::string& path,
                            const HistoryOptions& options,
                            std::unique_ptr<History>* history) {
  std::unique_ptr<History> opened(new History());
  opened->path_ = path;
  const bool create = options.write && options.create;
  HistoryStatus status = opened->file_.Locate(path, create);
  if (!status.ok()) return status;
  if (!opened->file_.exists()) {
    if (!create) return NoHistoryYet(path);
    status = opened->file_.Create();
    if (!status.ok()) return status;
  }
  status = opened->OpenConnection(options);
  if (!status.ok()) return status;
  status = opened->CheckAndMigrate(options.write);
  if (!status.ok()) return status;
  if (options.write) {
    sqlite3_db_config(opened->db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0,
                      nullptr);
  }
  *history = std::move(opened);
  return HistoryStatus::Ok();
}

History::~History() { sqlite3_close_v2(db_); }

HistoryStatus History::OpenConnection(const HistoryOptions& options) {
  const char* vfs = SqliteVfsName();
  if (vfs == nullptr) {
    return HistoryStatus(Status(StatusCode::kOther),
                         HistoryName(path_) + ": SQLite cannot be set up");
  }
  // Readers too open the file to write where they may (SQLite falls back
  // to reading where they may not): they write nothing, but a reader
  // that may removes the empty log files it made when it closes.
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  const int rc = sqlite3_open_v2(file_.sqlite_path().c_str(), &db_, flags, vfs);
  if (rc != SQLITE_OK) return Failure(rc, kLeftAsItIs);
  sqlite3_extended_result_codes(db_, 1);
  // Closing the last connection moves what the log holds into the file
  // and removes the log. A log this process did not write is left alone
  // until the file is known to be a history of this program's own layout
  // (Open allows it then); one made here holds nothing, and goes.
  if (file_.HasLog()) {
    sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  }
  HistoryStatus same = file_.StillTheSame();
  if (!same.ok()) return same;
  if (options.write && sqlite3_db_readonly(db_, "main") == 1) {
    const int error = file_.WriteError();
    return HistoryStatus(Status(StatusCode::kAccessDenied, error),
                         HistoryName(path_) + ": cannot be written: " +
                             SystemErrorText(error) + "; " + kLeftAsItIs);
  }
  busy_timeout_ = options.busy_timeout;
  sqlite3_busy_timeout(db_, static_cast<int>(std::min<std::int64_t>(
                                options.busy_timeout.count(), 1 << 30)));
  return HistoryStatus::Ok();
}

int History::RetryWhileBusy(const std::function<int()>& step) const {
  const auto deadline = std::chrono::steady_clock::now() + busy_timeout_;
  std::chrono::milliseconds pause{1};
  for (;;) {
    const int rc = step();
    if ((rc & 0xff) != SQLITE_BUSY ||
        std::chrono::steady_clock::now() >= deadline) {
      return rc;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds{50});
  }
}

HistoryStatus History::CheckAndMigrate(bool write) {
  // The file's marks: whose file it is, its layout, whether it holds
  // anything at all. Read before anything is written.
  struct Marks {
    std::int64_t application = 0;
    std::int64_t version = 0;
    std::int64_t tables = 0;
  };
  const auto read_marks = [this](Marks* marks) {
    SqlStatement statement;
    int rc = statement.Prepare(
        db_,
        "SELECT (SELECT application_id FROM pragma_application_id),"
        " (SELECT user_version FROM pragma_user_version),"
        " (SELECT count(*) FROM sqlite_master)");
    if (rc == SQLITE_OK) rc = statement.Step();
    if (rc != SQLITE_ROW) return rc;
    marks->application = statement.Int(0);
    marks->version = statement.Int(1);
    marks->tables = statement.Int(2);
    return SQLITE_OK;
  };
  const auto judge = [this, write](const Marks& marks) {
    if (marks.application == 0 && marks.version == 0 && marks.tables == 0) {
      if (write) return HistoryStatus::Ok();  // new: set up below
      return HistoryStatus(Status(StatusCode::kNotFound),
                           HistoryName(path_) + ": holds no saved scan yet");
    }
    if (marks.application != kHistoryApplicationId) {
      return HistoryStatus(Status(StatusCode::kOther),
                           HistoryName(path_) +
                               ": is an SQLite database, but not a history "
                               "of saved scans; " +
                               kLeftAsItIs);
    }
    if (marks.version > kHistoryVersion) {
      return HistoryStatus(
          Status(StatusCode::kUnsupported),
          HistoryName(path_) +
              ": was written by a newer ovik (history "
              "format " +
              std::to_string(marks.version) + "; this ovik knows up to " +
              std::to_string(kHistoryVersion) + "); " + kLeftAsItIs);
    }
    if (marks.version < kOldestReadableVersion) {
      return HistoryStatus(
          Status(StatusCode::kOther),
          HistoryName(path_) + ": has no history format; " + kLeftAsItIs);
    }
    return HistoryStatus::Ok();
  };

  Marks marks;
  if (int rc = RetryWhileBusy([&] { return read_marks(&marks); });
      rc != SQLITE_OK) {
    return Failure(rc, kLeftAsItIs);
  }
  if (HistoryStatus verdict = judge(marks); !verdict.ok()) return verdict;
  if (!write) return HistoryStatus::Ok();

  if (marks.tables == 0) {
    // Pages freed by pruning go back to the file system; only possible
    // before the first table.
    if (int rc = RetryWhileBusy(
            [&] { return ExecSql(db_, "PRAGMA auto_vacuum=INCREMENTAL"); });
        rc != SQLITE_OK) {
      return Failure(rc, kLeftAsItIs);
    }
  }
  // Readers never wait for a writer, and two writers take turns.
  if (marks.version < kHistoryVersion) {
    const int rc = RetryWhileBusy([&] {
      SqlStatement wal;
      int result = wal.Prepare(db_, "PRAGMA journal_mode=WAL");
      if (result == SQLITE_OK) result = wal.Step();
      return result;
    });
    if (rc != SQLITE_ROW) return Failure(rc, kLeftAsItIs);
  }
  if (int rc = RetryWhileBusy(
          [&] { return ExecSql(db_, "PRAGMA synchronous=FULL"); });
      rc != SQLITE_OK) {
    return Failure(rc, kLeftAsItIs);
  }
  if (marks.version == kHistoryVersion) return HistoryStatus::Ok();
  HistoryStatus verdict;
  HistoryStatus status;
  RetryWhileBusy([&] {
    int result = SQLITE_OK;
    status = Transaction(kLeftAsItIs, [&]() {
      // Another process may have set it up or migrated it meanwhile.
      Marks now;
      if (int rc = read_marks(&now); rc != SQLITE_OK) return rc;
      verdict = judge(now);
      if (!verdict.ok()) return SQLITE_ABORT;
      if (now.version == kHistoryVersion) return SQLITE_OK;
      return MigrateHistory(db_, static_cast<int>(now.version));
    }, &result);
    return result;
  });
  return verdict.ok() ? status : verdict;
}

HistoryStatus History::Failure(int rc, const char* consequence) const {
  const int error = db_ != nullptr ? sqlite3_system_errno(db_) : 0;
  Status status(StatusCode::kOther, error);
  std::string what;
  switch (rc & 0xff) {
    case SQLITE_FULL:
      status = Status(StatusCode::kNoSpace, ENOSPC);
      what = "the disk is full";
      break;
    case SQLITE_IOERR:
      if (error == ENOSPC || error == EDQUOT) {
        status = Status(StatusCode::kNoSpace, error);
        what = "the disk is full";
      } else {
        status = error != 0 ? Status::FromSystemError(error)
                            : Status(StatusCode::kOther);
        what = "cannot be read or written";
        if (error != 0) what += ": " + SystemErrorText(error);
      }
      break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      status = Status(StatusCode::kAccessDenied, error);
      what = "cannot be written";
      if (error != 0) what += ": " + SystemErrorText(error);
      break;
    case SQLITE_CANTOPEN:
      status = error != 0 ? Status::FromSystemError(error)
                          : Status(StatusCode::kOther);
      what = "cannot be opened";
      if (error != 0) what += ": " + SystemErrorText(error);
      break;
    case SQLITE_NOTADB:
      what = "is not a history of saved scans (not an SQLite database)";
      break;
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
      what = "is damaged (";
      what += sqlite3_errstr(rc);
      what += ")";
      break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      what = "stayed in use by another process for too long";
      break;
    case SQLITE_NOMEM:
      status = Status(StatusCode::kNoMemory);
      what = "there was no memory for it";
      break;
    case SQLITE_MISUSE:
      what = "cannot take a scan in which only some owners have ages";
      break;
    default:
      what = sqlite3_errstr(rc);
      break;
  }
  return HistoryStatus(status,
                       HistoryName(path_) + ": " + what + "; " + consequence);
}

HistoryStatus History::Transaction(const char* consequence,
                                   const std::function<int()>& body,
                                   int* failed_rc) {
  int rc = ExecSql(db_, "BEGIN IMMEDIATE");
  if (failed_rc != nullptr) *failed_rc = rc;
  if (rc != SQLITE_OK) return Failure(rc, consequence);
  rc = body();
  if (rc == SQLITE_OK) rc = ExecSql(db_, "COMMIT");
  if (failed_rc != nullptr) *failed_rc = rc;
  if (rc == SQLITE_OK) return HistoryStatus::Ok();
  // Said before the rollback, which has errors of its own.
  HistoryStatus failed = Failure(rc, consequence);
  if (!sqlite3_get_autocommit(db_)) ExecSql(db_, "ROLLBACK");
  return failed;
}

HistoryStatus History::Save(const SavedScan& scan, std::int64_t* id) {
  std::int64_t saved = 0;
  HistoryStatus status = Transaction(
      kNothingSaved, [&]() { return Saver(*this).Run(scan, &saved); });
  if (status.ok() && id != nullptr) *id = saved;
  return status;
}

HistoryStatus History::List(const ScanFilter& filter,
                            std::vector<ScanFacts>* scans) {
  SqlStatement select;
  int rc = select.Prepare(
      db_, std::string("SELECT ") + kFactColumns +
               " FROM scan JOIN series ON scan.series = series.id"
               " WHERE (?1 IS NULL OR series.volume = ?1)"
               " AND (?2 IS NULL OR series.root_in_volume = ?2)"
               " ORDER BY started, scan.id");
  if (rc != SQLITE_OK) return Failure(rc, kLeftAsItIs);
  if (filter.volume) select.BindBlob(1, *filter.volume);
  if (filter.volume && filter.root_in_volume) {
    select.BindBlob(2, *filter.root_in_volume);
  }
  std::vector<ScanFacts> found;
  while ((rc = select.Step()) == SQLITE_ROW) found.push_back(ReadFacts(select));
  if (rc != SQLITE_DONE) return Failure(rc, kLeftAsItIs);
  *scans = std::move(found);
  return HistoryStatus::Ok();
}

HistoryStatus History::ReadScan(std::int64_t id,
                                const std::function<int()>& body) {
  // One read transaction: a save or prune by another process between
  // the statements cannot show half a scan.
  if (int rc = ExecSql(db_, "BEGIN"); rc != SQLITE_OK) {
    return Failure(rc, kLeftAsItIs);
  }
  const int rc = body();
  ExecSql(db_, "COMMIT");  // ends the read; nothing was written
  if (rc == SQLITE_NOTFOUND) {
    return HistoryStatus(
        Status(StatusCode::kNotFound),
        HistoryName(path_) + ": has no saved scan " + std::to_string(id));
  }
  if (rc != SQLITE_OK) return Failure(rc, kLeftAsItIs);
  return HistoryStatus::Ok();
}

HistoryStatus History::Load(std::int64_t id, LoadWhat what, SavedScan* scan) {
  SavedScan loaded;
  HistoryStatus status = ReadScan(id, [&]() {
    SqlStatement facts;
    int result = facts.Prepare(
        db_, std::string("SELECT ") + kFactColumns +
                 " FROM scan JOIN series ON scan.series = series.id"
                 " WHERE scan.id = ?");
    if (result != SQLITE_OK) return result;
    facts.Bind(1, id);
    result = facts.Step();
    if (result == SQLITE_DONE) return SQLITE_NOTFOUND;
    if (result != SQLITE_ROW) return result;
    loaded.facts = ReadFacts(facts);

    SqlStatement figures;
    result = figures.Prepare(db_,
                             "SELECT owner_figures, group_figures FROM "
                             "figures WHERE scan = ?");
    if (result != SQLITE_OK) return result;
    figures.Bind(1, id);
    result = figures.Step();
    if (result != SQLITE_ROW) return result == SQLITE_DONE ? Corrupt() : result;
    SqlStatement who;
    result = who.Prepare(db_, "SELECT kind, ident, name FROM who WHERE id=?");
    if (result != SQLITE_OK) return result;
    SetReader sets(db_);
    for (int column : {0, 1}) {
      FigureTable table;
      if (!DecodeFigures(figures.Blob(column), &table)) {
        return Corrupt();
      }
      std::vector<SavedOwner>& list =
          column == 0 ? loaded.owners : loaded.groups;
      list.reserve(table.records.size());
      for (const FigureRecord& record : table.records) {
        SavedOwner owner;
        who.Reset();
        who.Bind(1, record.who);
        result = who.Step();
        if (result != SQLITE_ROW) {
          return result == SQLITE_DONE ? Corrupt() : result;
        }
        const std::optional<WhoKind> kind = ParseWhoKind(who.Blob(0));
        if (!kind) return Corrupt();
        owner.who = {*kind, std::string(who.Blob(1))};
        owner.name = who.Blob(2);
        owner.bytes = record.bytes;
        owner.files = record.files;
        if (table.by_modification) {
          owner.by_modification = record.by_modification;
        }
        if (table.by_access) owner.by_access = record.by_access;
        if (what == LoadWhat::kFiguresAndDirectories &&
            record.directories != 0) {
          const std::vector<SavedDirectory>* set = nullptr;
          std::int64_t base = 0;
          result = sets.Read(record.directories, &set, &base);
          if (result != SQLITE_OK) return result;
          owner.directories = *set;
          SortLargestFirst(&owner.directories);
        }
        list.push_back(std::move(owner));
      }
    }
    return SQLITE_OK;
  });
  if (status.ok()) *scan = std::move(loaded);
  return status;
}

HistoryStatus History::LoadDirectories(
    std::int64_t id, const Who& who, std::vector<SavedDirectory>* directories) {
  std::vector<SavedDirectory> found;
  HistoryStatus status = ReadScan(id, [&]() {
    SqlStatement select;
    int result = select.Prepare(
        db_,
        "SELECT (SELECT id FROM who WHERE kind = ? AND ident = ?),"
        " owner_figures FROM figures WHERE scan = ?");
    if (result != SQLITE_OK) return result;
    select.BindText(1, WhoKindName(who.kind));
    select.BindBlob(2, who.id);
    select.Bind(3, id);
    result = select.Step();
    if (result == SQLITE_DONE) return SQLITE_NOTFOUND;
    if (result != SQLITE_ROW) return result;
    if (select.IsNull(0)) return SQLITE_OK;  // never saved
    const std::int64_t wanted = select.Int(0);
    FigureTable table;
    if (!DecodeFigures(select.Blob(1), &table)) {
      return Corrupt();
    }
    for (const FigureRecord& record : table.records) {
      if (record.who != wanted || record.directories == 0) continue;
      SetReader sets(db_);
      const std::vector<SavedDirectory>* set = nullptr;
      std::int64_t base = 0;
      result = sets.Read(record.directories, &set, &base);
      if (result != SQLITE_OK) return result;
      found = *set;
      SortLargestFirst(&found);
    }
    return SQLITE_OK;
  });
  if (status.ok()) *directories = std::move(found);
  return status;
}

HistoryStatus History::LoadBytes(
    const std::vector<std::int64_t>& ids, RankedBy by,
    const std::vector<Who>& whos,
    std::vector<std::vector<std::uint64_t>>* bytes) {
  if (int rc = ExecSql(db_, "BEGIN"); rc != SQLITE_OK) {
    return Failure(rc, kLeftAsItIs);
  }
  std::vector<std::vector<std::uint64_t>> found(
      whos.size(), std::vector<std::uint64_t>(ids.size(), 0));
  const int rc = [&]() {
    // The line each row of the table of owners and groups feeds.
    std::vector<std::pair<std::int64_t, std::size_t>> lines;
    SqlStatement who;
    int result =
        who.Prepare(db_, "SELECT id FROM who WHERE kind = ? AND ident = ?");
    if (result != SQLITE_OK) return result;
    for (std::size_t w = 0; w < whos.size(); ++w) {
      who.Reset();
      who.BindText(1, WhoKindName(whos[w].kind));
      who.BindBlob(2, whos[w].id);
      result = who.Step();
      if (result == SQLITE_ROW) {
        lines.emplace_back(who.Int(0), w);
      } else if (result != SQLITE_DONE) {  // else never saved
        return result;
      }
    }
    std::sort(lines.begin(), lines.end());
    SqlStatement figures;
    result = figures.Prepare(
        db_, by == RankedBy::kGroup
                 ? "SELECT group_figures FROM figures WHERE scan = ?"
                 : "SELECT owner_figures FROM figures WHERE scan = ?");
    if (result != SQLITE_OK) return result;
    std::vector<std::uint64_t> at_scan(whos.size());
    for (std::size_t s = 0; s < ids.size(); ++s) {
      figures.Reset();
      figures.Bind(1, ids[s]);
      result = figures.Step();
      if (result == SQLITE_DONE) continue;  // removed meanwhile
      if (result != SQLITE_ROW) return result;
      std::fill(at_scan.begin(), at_scan.end(), 0);
      if (!DecodeBytesOf(figures.Blob(0), lines, &at_scan)) return Corrupt();
      for (std::size_t w = 0; w < whos.size(); ++w) found[w][s] = at_scan[w];
    }
    return SQLITE_OK;
  }();
  ExecSql(db_, "COMMIT");
  if (rc != SQLITE_OK) return Failure(rc, kLeftAsItIs);
  *bytes = std::move(found);
  return HistoryStatus::Ok();
}

int History::RemoveScans(const std::vector<std::int64_t>& ids,
                         std::uint64_t* removed) {
  int rc = SQLITE_OK;
  SqlStatement scan;
  SqlStatement figures;
  if ((rc = scan.Prepare(db_, "DELETE FROM scan WHERE id = ?")) != SQLITE_OK ||
      (rc = figures.Prepare(db_, "DELETE FROM figures WHERE scan = ?")) !=
          SQLITE_OK) {
    return rc;
  }
  for (const std::int64_t id : ids) {
    for (SqlStatement* remove : {&figures, &scan}) {
      remove->Reset();
      remove->Bind(1, id);
      if ((rc = remove->Step()) != SQLITE_DONE) return rc;
      Wrote();
    }
  }
  *removed = ids.size();
  if (ids.empty()) return SQLITE_OK;
  if ((rc = SweepDirectorySets()) != SQLITE_OK) return rc;
  return ExecSql(db_,
                 "DELETE FROM series WHERE id NOT IN "
                 "(SELECT series FROM scan)");
}

// Removes the directory sets no saved scan refers to any more, and no
// set that one refers to is based on.
int History::SweepDirectorySets() {
  std::unordered_set<std::int64_t> used;
  SqlStatement figures;
  int rc = figures.Prepare(db_, "SELECT owner_figures FROM figures");
  if (rc != SQLITE_OK) return rc;
  FigureTable table;
  while ((rc = figures.Step()) == SQLITE_ROW) {
    if (!DecodeFigures(figures.Blob(0), &table)) {
      return Corrupt();
    }
    for (const FigureRecord& record : table.records) {
      if (record.directories != 0) used.insert(record.directories);
    }
  }
  if (rc != SQLITE_DONE) return rc;
  SqlStatement sets;
  if ((rc = sets.Prepare(db_, "SELECT id, base FROM dirset")) != SQLITE_OK) {
    return rc;
  }
  std::vector<std::pair<std::int64_t, std::int64_t>> all;
  while ((rc = sets.Step()) == SQLITE_ROW) {
    all.emplace_back(sets.Int(0), sets.IsNull(1) ? 0 : sets.Int(1));
  }
  if (rc != SQLITE_DONE) return rc;
  for (const auto& [id, base] : all) {
    if (base != 0 && used.count(id) != 0) used.insert(base);
  }
  SqlStatement remove;
  if ((rc = remove.Prepare(db_, "DELETE FROM dirset WHERE id = ?")) !=
      SQLITE_OK) {
    return rc;
  }
  for (const auto& [id, base] : all) {
    if (used.count(id) != 0) continue;
    remove.Reset();
    remove.Bind(1, id);
    if ((rc = remove.Step()) != SQLITE_DONE) return rc;
    Wrote();
  }
  return SQLITE_OK;
}

HistoryStatus History::Prune(std::chrono::sys_seconds cutoff,
                             std::uint64_t* removed) {
  std::uint64_t count = 0;
  HistoryStatus status = Transaction(kNothingRemoved, [&]() {
    SqlStatement doomed;
    int rc =
        doomed.Prepare(db_,
                       "SELECT id FROM scan AS s WHERE started < ?1 AND id != ("
                       "SELECT id FROM scan WHERE series = s.series"
                       " ORDER BY started DESC, id DESC LIMIT 1)");
    if (rc != SQLITE_OK) return rc;
    doomed.Bind(1, FromSeconds(cutoff));
    std::vector<std::int64_t> ids;
    while ((rc = doomed.Step()) == SQLITE_ROW) ids.push_back(doomed.Int(0));
    if (rc != SQLITE_DONE) return rc;
    return RemoveScans(ids, &count);
  });
  if (!status.ok()) return status;
  *removed = count;
  // Gives the freed pages back; a failure here loses nothing.
  if (count != 0) ExecSql(db_, "PRAGMA incremental_vacuum");
  return status;
}

HistoryStatus History::Keep(std::uint64_t newest, std::uint64_t* removed) {
  std::uint64_t count = 0;
  HistoryStatus status = Transaction(kNothingRemoved, [&]() {
    SqlStatement scans;
    int rc = scans.Prepare(db_,
                           "SELECT id, series FROM scan"
                           " ORDER BY series, started DESC, id DESC");
    if (rc != SQLITE_OK) return rc;
    std::vector<std::int64_t> ids;
    std::int64_t series = 0;
    std::uint64_t place = 0;
    while ((rc = scans.Step()) == SQLITE_ROW) {
      if (place == 0 || scans.Int(1) != series) {
        series = scans.Int(1);
        place = 0;
      }
      if (++place > std::max<std::uint64_t>(newest, 1)) {
        ids.push_back(scans.Int(0));
      }
    }
    if (rc != SQLITE_DONE) return rc;
    return RemoveScans(ids, &count);
  });
  if (!status.ok()) return status;
  *removed = count;
  if (count != 0) ExecSql(db_, "PRAGMA incremental_vacuum");
  return status;
}

}  // namespace ovik
