// The history of saved scans beside the terminal dialog: the change of
// each ranked owner since the newest saved scan of the same volume and
// path, and the Find saved on request. The history is the one `ovik
// report --save` keeps (history/history.h); the dialog never writes it
// unless asked.
#ifndef OVIK_HOSTS_TERMINAL_FIND_HISTORY_H_
#define OVIK_HOSTS_TERMINAL_FIND_HISTORY_H_

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/volumes.h"
#include "scan/directory_usage.h"
#include "scan/ranked_by.h"
#include "scan/ranking.h"
#include "scan/stats.h"

namespace ovik::tui {

// A finished Find, as the dialog holds it.
struct FinishedFind {
  std::string root;
  std::chrono::sys_seconds started{};
  std::chrono::sys_seconds finished{};
  const Ranking* owners = nullptr;
  const Ranking* groups = nullptr;
  const DirectoryUsage* directories = nullptr;
  const ScanStats* stats = nullptr;
};

class FindHistory {
 public:
  // |path|: the history file; nothing when there is none to use.
  FindHistory(std::optional<std::string> path, VolumeSource& volumes)
      : path_(std::move(path)), volumes_(volumes) {}

  bool available() const { return path_.has_value(); }

  // The change of each of |ranking|'s owners (or groups, as |by| says)
  // since the newest saved scan of |find|'s root, in ranking order:
  // "+12GB", "-3MB", "new", "=", or "" for a record with nothing
  // counted. Empty, with nothing in |note|, when there is no saved scan
  // to compare with; |note| says which scan it is, and whether either
  // was incomplete.
  std::vector<std::string> ChangesSince(const FinishedFind& find,
                                        RankedBy by, std::string* note);

  // Keeps |find| in the history. False with the history's message
  // (which names the file) when it could not be saved.
  bool Save(const FinishedFind& find, std::string* message);

  const std::string& path() const { return *path_; }

 private:
  std::optional<std::string> path_;
  VolumeSource& volumes_;
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_FIND_HISTORY_H_
