// The main dialog's logic: initialisation, its commands and closing.
// Hosts (Win32, terminal, tests) turn their events into these calls.
#ifndef OVIK_UI_MAIN_DIALOG_H_
#define OVIK_UI_MAIN_DIALOG_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "present/ranking_pages.h"
#include "scan/scan.h"
#include "ui/dialog_port.h"
#include "volume/volume_panel.h"

namespace ovik {

// Notification code of the drive list for a changed selection.
inline constexpr int kDriveSelectionChanged = 1;

class MainDialog {
 public:
  MainDialog(DialogPort& dialog, FileSystem& fs, VolumeSource& volumes);

  // Window is created: fills the drive list and the panel.
  void OnInitDialog();
  void OnCommand(int id, int code);
  void OnScroll(int code);
  void CloseMainDialog();

  // Find runs in three steps so a host can run the walk on another
  // thread: BeginFind (UI thread) gives the root to scan or nothing when
  // Find is refused; RunFind (any thread) walks; FinishFind (UI thread)
  // shows the result. OnCommand(IDC_FIND) does all three in a row.
  std::optional<std::string> BeginFind();
  ScanResult RunFind(const std::string& root, const ScanOptions& options);
  void FinishFind(ScanResult result);

  // Adds |root| to the drive list and selects it (a directory given on
  // the command line).
  void AddAndSelectRoot(const std::string& root);

  // "&About" asks the host to open the About box through this; the box
  // and its loop belong to the host.
  void set_about_handler(std::function<void()> handler) {
    about_handler_ = std::move(handler);
  }

  bool scan_busy() const { return scan_busy_; }
  bool has_ranking() const { return has_ranking_; }
  // What a window answers when asked to restore from an icon.
  bool QueryOpen() const { return !scan_busy_; }
  const Ranking& ranking() const { return ranking_; }
  const VolumeTotals& totals() const { return totals_; }
  const ScanStats& last_stats() const { return last_stats_; }
  const RankingPages& pages() const { return pages_; }

 private:
  DialogPort& dialog_;
  FileSystem& fs_;
  VolumeSource& volumes_;
  VolumeTotals totals_;
  RankingPages pages_;
  Ranking ranking_;
  ScanStats last_stats_;
  std::function<void()> about_handler_;
  bool has_ranking_ = false;
  bool scan_busy_ = false;
};

// The About box's logic: fills the two labels from the registered owner
// and organisation when the system keeps them.
struct RegisteredOwner {
  std::optional<std::string> owner;
  std::optional<std::string> organization;
};

class AboutDialog {
 public:
  explicit AboutDialog(DialogPort& dialog) : dialog_(dialog) {}
  void OnInitDialog(const RegisteredOwner& registered);
  // Any command ends the box.
  void OnCommand(int id);

 private:
  DialogPort& dialog_;
};

}  // namespace ovik

#endif  // OVIK_UI_MAIN_DIALOG_H_
