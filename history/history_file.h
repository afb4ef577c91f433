// Where the history file is, found without trusting a path twice.
//
// The directory that holds it is opened first, one component at a time
// from a descriptor (missing ones created, mode 0700, when asked). SQLite
// itself opens files by name only; it is given the name of the file
// through that descriptor ("/proc/self/fd/N/history.sqlite"), so its
// database, its write-ahead log and its shared-memory file (both named
// after the database) all lie in the directory that was checked, even if
// the path's directories are renamed meanwhile. A special SQLite file
// layer keeps that name as it is (SQLite would otherwise resolve it back
// to a path), and SQLite opens each of those files with O_NOFOLLOW, so a
// symbolic link in the file's place is refused by the kernel.
//
// As root, the directory must be root's and writable by no one else (the
// files SQLite creates beside the database could otherwise be planted),
// and an existing file must be root's.
#ifndef OVIK_HISTORY_HISTORY_FILE_H_
#define OVIK_HISTORY_HISTORY_FILE_H_

#include <string>

#include "history/history_status.h"

namespace ovik {

class HistoryFile {
 public:
  HistoryFile() = default;
  ~HistoryFile();
  HistoryFile(const HistoryFile&) = delete;
  HistoryFile& operator=(const HistoryFile&) = delete;

  // Opens the directory of |path| and checks the file, which need not
  // exist. |create_directories| makes missing directories on the way.
  HistoryStatus Locate(const std::string& path, bool create_directories);
  bool exists() const { return exists_; }
  // Creates the file, empty and readable by its owner alone, unless it
  // exists by now.
  HistoryStatus Create();
  // After SQLite opened |sqlite_path()|: whether that is still the file
  // that was checked (nothing swapped it meanwhile).
  HistoryStatus StillTheSame() const;
  // Why the file cannot be written (an errno) when SQLite opened it for
  // reading only.
  int WriteError() const;
  // Whether its write-ahead log holds anything (another process's work,
  // or one that was killed).
  bool HasLog() const;

  // The name to give SQLite, with SqliteVfsName() as its file layer.
  const std::string& sqlite_path() const { return sqlite_path_; }
  const std::string& path() const { return path_; }

 private:
  HistoryStatus CheckFile();

  std::string path_;  // as the user gave it, for messages
  std::string name_;  // the last component
  int directory_ = -1;
  bool exists_ = false;
  unsigned long long device_ = 0;
  unsigned long long inode_ = 0;
  std::string sqlite_path_;
};

// The SQLite file layer that takes file names as they are given;
// nullptr when SQLite would not register it.
const char* SqliteVfsName();

// "the history /var/lib/ovik/history.sqlite": how messages name it.
std::string HistoryName(const std::string& path);

// kNotFound: nothing was ever saved at |path|.
HistoryStatus NoHistoryYet(const std::string& path);

}  // namespace ovik

#endif  // OVIK_HISTORY_HISTORY_FILE_H_
