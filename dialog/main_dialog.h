// The main dialog's logic: initialisation, its commands, the Find that
// runs in the background, and closing. Hosts (Win32, terminal, tests)
// turn their events into DialogCommands and show what it writes to the
// port.
#ifndef OVIK_DIALOG_MAIN_DIALOG_H_
#define OVIK_DIALOG_MAIN_DIALOG_H_

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "scan/scan.h"
#include "dialog/background_find.h"
#include "dialog/dialog_commands.h"
#include "dialog/dialog_port.h"
#include "dialog/ranking_pages.h"
#include "volume/volume_facts.h"

namespace ovik {

class MainDialog {
 public:
  // |options| are those of every Find's walk (its progress excepted).
  MainDialog(DialogPort& dialog, FileSystem& fs, VolumeSource& volumes,
             const ScanOptions& options = {});

  // Window is created: fills the drive list and the panel.
  void OnInitDialog();
  // While a Find runs every command but kClose is refused, and the
  // buttons, the drive list and the page scroll bar are disabled.
  void OnCommand(DialogCommand command);

  // The Find. kFind starts it on a thread of its own; the host then calls
  // FinishFind on its UI thread once find_done() (or when told through
  // the handler below), and shows progress meanwhile.
  bool scan_busy() const { return find_.busy(); }
  bool find_done() const { return find_.done(); }
  // Only while scan_busy().
  const ScanProgress& find_progress() const { return find_.progress(); }
  void CancelFind() { find_.Cancel(); }
  // Waits for the walk to end and shows its result. Returns the walk's
  // status; nothing when no Find was running.
  std::optional<Status> FinishFind();
  // Called on the walk's thread when it has ended.
  void set_find_done_handler(std::function<void()> handler) {
    find_done_handler_ = std::move(handler);
  }

  // Adds |root| to the drive list and selects it (a directory given on
  // the command line).
  void AddAndSelectRoot(const std::string& root);

  // "&About" asks the host to open the About box through this; the box
  // and its loop belong to the host.
  void set_about_handler(std::function<void()> handler) {
    about_handler_ = std::move(handler);
  }

  bool has_ranking() const { return has_ranking_; }
  // What a window answers when asked to restore from an icon.
  bool QueryOpen() const { return !scan_busy(); }
  // The ranking shown (and written by "&Report Out"): the owners', or
  // the groups' once switched to them.
  const Ranking& ranking() const {
    return ranked_by_ == RankedBy::kGroup ? group_ranking_ : ranking_;
  }
  RankedBy ranked_by() const { return ranked_by_; }
  // The last Find's ranking by |by|, shown or not (empty for groups when
  // the Finds do not count them).
  const Ranking& ranking_by(RankedBy by) const {
    return by == RankedBy::kGroup ? group_ranking_ : ranking_;
  }
  // Shows page 0 of the ranking by |by|, kept for later Finds too. False
  // (nothing changes) without a ranking, or for groups when the Finds do
  // not count them.
  bool ShowRankingBy(RankedBy by);
  // Where the last Find's bytes are, when its options keep them; its
  // owner indexes are those of the rankings' RankedOwner::index.
  const DirectoryUsage& directories() const { return directories_; }
  // The directory the last Find walked, the totals of its volume (which
  // the ranking's shares are of, whatever is selected now) and how it
  // counted ("walk", or the volume's table: ScanResult::method).
  const std::string& ranked_root() const { return ranked_root_; }
  const VolumeTotals& ranked_totals() const { return ranked_totals_; }
  const std::string& ranked_method() const { return ranked_method_; }
  const ScanStats& last_stats() const { return last_stats_; }
  const RankingPages& pages() const { return pages_; }

 private:
  void StartFind();
  void ShowFindResult(ScanResult result);
  void CloseMainDialog();
  void ForgetRanking();
  // The ranking's title names its volume while another is selected, and
  // says when the ranking is short.
  void ShowRankingSubject();
  // Controls that must not act while a Find runs are disabled for it.
  void EnableForFind(bool running);

  DialogPort& dialog_;
  FileSystem& fs_;
  VolumeSource& volumes_;
  ScanOptions options_;
  BackgroundFind find_;
  VolumeTotals totals_;  // of the volume selected
  RankingPages pages_;
  Ranking ranking_;
  Ranking group_ranking_;
  DirectoryUsage directories_;
  std::string ranked_root_;
  VolumeTotals ranked_totals_;
  std::string ranked_method_;
  std::string walking_root_;
  VolumeTotals walking_totals_;
  RankedBy ranked_by_ = RankedBy::kOwner;
  ScanStats last_stats_;
  std::function<void()> about_handler_;
  std::function<void()> find_done_handler_;
  bool has_ranking_ = false;
};

}  // namespace ovik

#endif  // OVIK_DIALOG_MAIN_DIALOG_H_
