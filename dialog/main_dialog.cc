#include "dialog/main_dialog.h"

#include <utility>

#include "dialog/control_ids.h"
#include "dialog/report_out.h"
#include "dialog/texts.h"
#include "dialog/volume_panel.h"

namespace ovik {

MainDialog::MainDialog(DialogPort& dialog, FileSystem& fs,
                       VolumeSource& volumes, const ScanOptions& options)
    : dialog_(dialog), fs_(fs), volumes_(volumes), options_(options) {}

void MainDialog::OnInitDialog() {
  dialog_.EnableControl(IDC_PAGE_SCROLL, false);
  FillDriveList(dialog_, volumes_, &totals_);
  dialog_.EnableControl(IDC_REPORT_OUT, false);
}

void MainDialog::OnCommand(DialogCommand command) {
  if (command == DialogCommand::kClose) {
    // The walk's result is of no use any more.
    if (scan_busy()) {
      find_.Cancel();
      find_.Finish();
    }
    CloseMainDialog();
    return;
  }
  // While a walk runs the dialog takes no commands.
  if (scan_busy()) return;
  switch (command) {
    case DialogCommand::kDriveSelectionChanged: {
      const int selected = dialog_.SelectedDrive();
      if (selected < 0) return;
      ShowVolumeInfo(dialog_, volumes_, dialog_.DriveText(selected), &totals_);
      ShowRankingSubject();
      return;
    }
    case DialogCommand::kOk:
      CloseMainDialog();
      return;
    case DialogCommand::kFind:
      StartFind();
      return;
    case DialogCommand::kReportOut:
      // The button is disabled until a scan has finished; a stray command
      // must not write an empty report.
      if (!has_ranking_) return;
      WriteReport(dialog_, ranking(), ranked_totals_, last_stats_);
      return;
    case DialogCommand::kAbout:
      if (about_handler_) about_handler_();
      return;
    case DialogCommand::kPageLeft:
    case DialogCommand::kPageRight:
      if (has_ranking_) {
        pages_.ScrollRanking(dialog_, command, ranked_totals_);
      }
      return;
    case DialogCommand::kClose:
      return;
  }
}

bool MainDialog::ShowRankingBy(RankedBy by) {
  if (!has_ranking_ || scan_busy() ||
      (by == RankedBy::kGroup && !options_.groups)) {
    return false;
  }
  ranked_by_ = by;
  pages_.SetUpPaging(dialog_, ranking(), ranked_totals_);
  ShowRankingSubject();
  return true;
}

void MainDialog::ShowRankingSubject() {
  if (!has_ranking_) return;
  RankingSubject subject;
  subject.by_group = ranked_by_ == RankedBy::kGroup;
  const int selected = dialog_.SelectedDrive();
  if (selected < 0 || dialog_.DriveText(selected) != ranked_root_) {
    subject.other_root = ranked_root_;
  }
  subject.incomplete = !IsComplete(last_stats_);
  pages_.SetSubject(dialog_, std::move(subject));
}

void MainDialog::EnableForFind(bool running) {
  for (int id : {IDC_OK, IDC_DRIVE_LIST, IDC_FIND, IDC_ABOUT}) {
    dialog_.EnableControl(id, !running);
  }
  dialog_.EnableControl(IDC_REPORT_OUT, !running && has_ranking_);
  dialog_.EnableControl(IDC_PAGE_SCROLL, !running && has_ranking_);
}

void MainDialog::ForgetRanking() {
  ranking_ = Ranking();
  group_ranking_ = Ranking();
  directories_ = DirectoryUsage();
  ranked_root_.clear();
  ranked_totals_ = VolumeTotals();
  ranked_method_.clear();
  pages_ = RankingPages();
  has_ranking_ = false;
}

void MainDialog::CloseMainDialog() {
  ForgetRanking();
  last_stats_ = ScanStats();
  has_ranking_ = false;
  dialog_.EndDialog(1);
}

void MainDialog::StartFind() {
  const int selected = dialog_.SelectedDrive();
  if (selected < 0) return;  // empty drive list
  std::string root = dialog_.DriveText(selected);
  if (root.empty()) return;
  // Every Find starts from an empty table of its own.
  walking_root_ = root;
  // The shares of its ranking are of this volume, whatever is selected
  // later.
  walking_totals_ = totals_;
  find_.Start(fs_, std::move(root), options_, find_done_handler_);
  EnableForFind(true);
}

std::optional<Status> MainDialog::FinishFind() {
  if (!scan_busy()) return std::nullopt;
  ScanResult result = find_.Finish();
  const Status status = result.status;
  EnableForFind(false);
  ShowFindResult(std::move(result));
  walking_root_.clear();
  return status;
}

void MainDialog::ShowFindResult(ScanResult result) {
  if (result.ok()) {
    ranking_ = std::move(result.ranking);
    group_ranking_ = std::move(result.group_ranking);
    directories_ = std::move(result.directories);
    ranked_root_ = walking_root_;
    ranked_totals_ = walking_totals_;
    ranked_method_ = std::move(result.method);
    last_stats_ = result.stats;
    has_ranking_ = true;
    pages_.SetUpPaging(dialog_, ranking(), ranked_totals_);
    ShowRankingSubject();
    dialog_.EnableControl(IDC_REPORT_OUT, true);
  } else if (result.out_of_memory()) {
    // The one failure of a Find that ends the dialog.
    dialog_.ShowError(text::kOutOfMemory);
    ForgetRanking();
    dialog_.EndDialog(IDC_FIND);
  } else if (!result.cancelled()) {
    // Nothing was scanned: the ranking shown stays the previous one.
    dialog_.ShowError(text::kErrorOccurred);
  }
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
  ShowRankingSubject();
}

}  // namespace ovik
