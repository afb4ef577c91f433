#include "ui/main_dialog.h"

#include <new>
#include <utility>

#include "present/report.h"
#include "ui/control_ids.h"
#include "ui/texts.h"

namespace ovik {

MainDialog::MainDialog(DialogPort& dialog, FileSystem& fs,
                       VolumeSource& volumes)
    : dialog_(dialog), fs_(fs), volumes_(volumes) {}

void MainDialog::OnInitDialog() {
  dialog_.EnableControl(IDC_PAGE_SCROLL, false);
  FillDriveList(dialog_, volumes_, &totals_);
  dialog_.EnableControl(IDC_REPORT_OUT, false);
}

void MainDialog::OnCommand(int id, int code) {
  // While a walk runs on another thread the dialog takes no commands; the
  // host ends the walk (or lets it end) before anything else happens.
  if (scan_busy_) return;
  switch (id) {
    case IDC_DRIVE_LIST: {
      if (code != kDriveSelectionChanged) return;
      const int selected = dialog_.SelectedDrive();
      if (selected < 0) return;
      ShowVolumeInfo(dialog_, volumes_, dialog_.DriveText(selected), &totals_);
      return;
    }
    case IDC_OK:
      CloseMainDialog();
      return;
    case IDC_FIND: {
      std::optional<std::string> root = BeginFind();
      if (!root) return;
      FinishFind(RunFind(*root, ScanOptions{}));
      return;
    }
    case IDC_REPORT_OUT:
      // The button is disabled until a scan has finished; a stray command
      // must not write an empty report.
      if (!has_ranking_) return;
      WriteReport(dialog_, ranking_, totals_);
      return;
    case IDC_ABOUT:
      if (about_handler_) about_handler_();
      return;
    default:
      // Esc (2) and everything else: the dialog stays as it is.
      return;
  }
}

void MainDialog::OnScroll(int code) {
  if (scan_busy_ || !has_ranking_) return;
  pages_.ScrollRanking(dialog_, code, totals_);
}

void MainDialog::CloseMainDialog() {
  ranking_ = Ranking();
  pages_ = RankingPages();
  last_stats_ = ScanStats();
  has_ranking_ = false;
  dialog_.EndDialog(1);
}

std::optional<std::string> MainDialog::BeginFind() {
  if (scan_busy_) return std::nullopt;
  const int selected = dialog_.SelectedDrive();
  if (selected < 0) return std::nullopt;  // empty drive list
  std::string root = dialog_.DriveText(selected);
  if (root.empty()) return std::nullopt;
  scan_busy_ = true;
  return root;
}

ScanResult MainDialog::RunFind(const std::string& root,
                               const ScanOptions& options) {
  // RunScan hands back a table of its own, so every Find starts from
  // nothing; an allocation failure anywhere in it is the one failure the
  // dialog has a message for.
  try {
    return RunScan(fs_, root, options);
  } catch (const std::bad_alloc&) {
    ScanResult failed;
    failed.status = ScanStatus::kOutOfMemory;
    return failed;
  }
}

void MainDialog::FinishFind(ScanResult result) {
  switch (result.status) {
    case ScanStatus::kOk:
      ranking_ = std::move(result.ranking);
      last_stats_ = result.stats;
      has_ranking_ = true;
      pages_.SetUpPaging(dialog_, ranking_, totals_);
      dialog_.EnableControl(IDC_REPORT_OUT, true);
      break;
    case ScanStatus::kRootNotEnterable:
      // Nothing was scanned: the ranking shown stays the previous one.
      dialog_.ShowError(text::kErrorOccurred);
      break;
    case ScanStatus::kCancelled:
      break;
    case ScanStatus::kOutOfMemory:
      scan_busy_ = false;
      dialog_.ShowError(text::kOutOfMemory);
      ranking_ = Ranking();
      pages_ = RankingPages();
      has_ranking_ = false;
      dialog_.EndDialog(IDC_FIND);
      return;
  }
  scan_busy_ = false;
}

void MainDialog::AddAndSelectRoot(const std::string& root) {
  int index = -1;
  for (int i = 0; i < dialog_.DriveCount(); ++i) {
    if (dialog_.DriveText(i) == root) {
      index = i;
      break;
    }
  }
  if (index < 0) {
    dialog_.AddDrive(root);
    index = dialog_.DriveCount() - 1;
  }
  dialog_.SelectDrive(index);
  ShowVolumeInfo(dialog_, volumes_, root, &totals_);
}

void AboutDialog::OnInitDialog(const RegisteredOwner& registered) {
  if (registered.owner) {
    dialog_.SetControlText(IDC_ABOUT_USER, *registered.owner);
  }
  if (registered.organization) {
    dialog_.SetControlText(IDC_ABOUT_COMPANY, *registered.organization);
  }
}

void AboutDialog::OnCommand(int /*id*/) { dialog_.EndDialog(1); }

}  // namespace ovik
