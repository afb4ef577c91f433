#include "hosts/terminal/terminal_app.h"

#include <signal.h>

#include <algorithm>
#include <optional>
#include <tuple>
#include <utility>

#include "platform/exit_status.h"
#include "platform/settings.h"
#include "dialog/control_ids.h"
#include "dialog/dialog_commands.h"
#include "dialog/dialog_template.h"
#include "dialog/ranking_pages.h"
#include "dialog/scan_status_text.h"
#include "dialog/texts.h"
#include "hosts/terminal/about_box.h"
#include "hosts/terminal/directory_box.h"
#include "hosts/terminal/drop_list.h"
#include "hosts/terminal/layout.h"
#include "hosts/terminal/message_box.h"
#include "hosts/terminal/render.h"
#include "hosts/terminal/save_as_box.h"
#include "present/display_name.h"
#include "present/fill.h"
#include "present/text_cells.h"

namespace ovik::tui {
namespace {

// How often the dialog looks at a running scan and at pending signals.
constexpr int kPollMilliseconds = 100;

std::chrono::sys_seconds Now() {
  return std::chrono::floor<std::chrono::seconds>(
      std::chrono::system_clock::now());
}

// |message| in the terminal's two lines under the status: broken at the
// last blank that lets the first fit.
std::pair<std::string, std::string> TwoLines(const std::string& message,
                                             int width) {
  const std::string first = FitToWidth(message, width);
  if (first.size() == message.size()) return {message, {}};
  const std::size_t blank = first.rfind(' ');
  const std::size_t cut = blank == std::string::npos ? first.size() : blank;
  const std::size_t rest = message.find_first_not_of(' ', cut);
  return {message.substr(0, cut),
          rest == std::string::npos ? std::string() : message.substr(rest)};
}

ScanOptions FindOptions() {
  ScanOptions options;
  options.threads = 0;  // the scan picks: one per processor, at least four
  // Switching to groups and showing where an owner's bytes are take no
  // further walk.
  options.groups = true;
  options.keep_directories = true;
  return options;
}

}  // namespace

TerminalApp::TerminalApp(Screen& screen, std::function<int()> poll_signal,
                         FileSystem& fs, VolumeSource& volumes,
                         std::function<std::string()> current_directory,
                         std::optional<std::string> history)
    : screen_(screen),
      poll_signal_(std::move(poll_signal)),
      current_directory_(std::move(current_directory)),
      port_(MainDialogTemplate(), this),
      dialog_(port_, fs, volumes, FindOptions()),
      focus_(IDC_OK),
      history_(std::move(history), volumes) {}

int TerminalApp::Run(const std::vector<std::string>& roots) {
  dialog_.set_about_handler([this] { RunAbout(); });
  dialog_.OnInitDialog();
  if (!roots.empty()) {
    for (const std::string& root : roots) dialog_.AddAndSelectRoot(root);
    dialog_.AddAndSelectRoot(roots.front());
  }
  while (!port_.end_result()) {
    if (quit_) {
      // Ends a Find that still runs, too.
      dialog_.OnCommand(DialogCommand::kClose);
      break;
    }
    if (dialog_.scan_busy() && dialog_.find_done()) FinishFind();
    if (port_.end_result()) break;
    Present();
    const Key key = NextKey();
    if (key.code == KeyCode::kInterrupt) {
      quit_ = true;
      continue;
    }
    if (dialog_.scan_busy()) {
      // Only the scan's own key is taken while it runs.
      if (key.code == KeyCode::kEscape ||
          (key.code == KeyCode::kChar && FoldKey(key.ch) == U'c')) {
        dialog_.CancelFind();
      } else if (key.code != KeyCode::kNone && key.code != KeyCode::kResize) {
        screen_.Beep();
      }
      continue;
    }
    HandleKey(key);
  }
  return quit_signal_ == 0 ? kExitOk : ExitStatusAfterSignal(quit_signal_);
}

bool TerminalApp::Usable(int id) const {
  if (id == IDC_RANKING_GROUP) {
    return dialog_.has_ranking() && !dialog_.ranking().empty();
  }
  return port_.Enabled(id) && (id != IDC_DRIVE_LIST || port_.DriveCount() > 0);
}

Key TerminalApp::NextKey() {
  Key quit;
  quit.code = KeyCode::kInterrupt;
  if (const int signal = poll_signal_ ? poll_signal_() : 0; signal != 0) {
    quit_signal_ = signal;
    return quit;
  }
  Key key = screen_.Read(kPollMilliseconds);
  if (key.code == KeyCode::kNone && screen_.InputLost()) {
    quit_signal_ = SIGHUP;
    return quit;
  }
  if (key.code == KeyCode::kInterrupt) {
    if (quit_signal_ == 0) quit_signal_ = SIGINT;
    return key;
  }
  int cols = 0;
  int rows = 0;
  screen_.Size(&cols, &rows);
  // Nothing can be aimed at while the dialog is not shown.
  if (!FitsScreen(cols, rows) && key.code != KeyCode::kResize) return Key{};
  return key;
}

void TerminalApp::Present(const std::function<CursorPos(Canvas*)>& overlay) {
  int cols = 0;
  int rows = 0;
  screen_.Size(&cols, &rows);
  Canvas canvas(cols, rows);
  if (!FitsScreen(cols, rows)) {
    RenderTooSmall(cols, rows, &canvas);
    screen_.Show(canvas, {});
    return;
  }
  MainView view;
  view.port = &port_;
  view.focus = focus_;
  view.busy = dialog_.scan_busy();
  if (view.busy) {
    const ScanProgress& progress = dialog_.find_progress();
    view.status =
        ProgressLine(progress.files.load(std::memory_order_relaxed),
                     progress.directories.load(std::memory_order_relaxed),
                     progress.bytes.load(std::memory_order_relaxed),
                     progress.cancel.load(std::memory_order_relaxed));
    view.detail =
        CurrentDirectoryLine(progress.CurrentDirectory(), kMainCols - 4);
    view.hint = std::string(text::kScanKeyHelp);
  } else if (waiting_for_output_) {
    view.status = std::string(text::kReportWaiting);
    view.hint = std::string(text::kReportWaitKeyHelp);
  } else {
    view.status = status_;
    view.detail = detail_;
    view.hint = KeyHelp();
  }
  view.ranking = RowsShown();
  RenderMainDialog(LayoutMainDialog(cols, rows), view, &canvas);
  CursorPos cursor;
  if (overlay) cursor = overlay(&canvas);
  screen_.Show(canvas, cursor);
}

template <typename Box>
void TerminalApp::RunModal(Box& box) {
  while (!quit_) {
    Present([&box](Canvas* canvas) { return box.Render(canvas); });
    const Key key = NextKey();
    if (key.code == KeyCode::kInterrupt) {
      quit_ = true;
      return;
    }
    int cols = 0;
    int rows = 0;
    screen_.Size(&cols, &rows);
    switch (box.Handle(key, cols, rows)) {
      case BoxStep::kOpen:
        break;
      case BoxStep::kBeep:
        screen_.Beep();
        break;
      case BoxStep::kClosed:
        return;
    }
  }
}

void TerminalApp::HandleKey(const Key& key) {
  if (key.code == KeyCode::kMouse) {
    HandleClick(key);
    return;
  }
  const MainAction action =
      MapMainKey(key, focus_, [this](int id) { return Usable(id); });
  switch (action.kind) {
    case MainActionKind::kNone:
      return;
    case MainActionKind::kPress:
      focus_ = action.id;
      Press(action.id);
      return;
    case MainActionKind::kMoveFocus:
      focus_ = action.id;
      KeepMarkOnPage();
      return;
    case MainActionKind::kDriveStep:
      ChangeDrive(port_.SelectedDrive() + action.delta);
      return;
    case MainActionKind::kOpenDriveList:
      RunDropList();
      return;
    case MainActionKind::kCommand:
      dialog_.OnCommand(action.command);
      KeepMarkOnPage();
      return;
    case MainActionKind::kRowStep:
      StepMark(action.delta);
      return;
    case MainActionKind::kOpenRow:
      OpenMarkedRow();
      return;
    case MainActionKind::kSwitchRanking:
      SwitchRanking();
      return;
    case MainActionKind::kSaveFind:
      SaveFind();
      return;
    case MainActionKind::kQuit:
      quit_ = true;
      return;
  }
}

void TerminalApp::HandleClick(const Key& key) {
  int cols = 0;
  int rows = 0;
  screen_.Size(&cols, &rows);
  const DialogLayout layout = LayoutMainDialog(cols, rows);
  const int id = layout.HitTest(key.x, key.y);
  if (const int row = HitRankingRow(layout, key.x, key.y);
      row >= 0 && Usable(IDC_RANKING_GROUP)) {
    if (FirstShown() + row >= dialog_.ranking().size()) return;
    focus_ = IDC_RANKING_GROUP;
    mark_ = row;
    OpenMarkedRow();
    return;
  }
  if (id == 0 || !Usable(id)) return;
  if (id == IDC_PAGE_SCROLL) {
    switch (HitScrollBar(layout.Find(id)->cells, key.x, key.y)) {
      case ScrollPart::kLeftArrow:
        dialog_.OnCommand(DialogCommand::kPageLeft);
        break;
      case ScrollPart::kRightArrow:
        dialog_.OnCommand(DialogCommand::kPageRight);
        break;
      default:
        break;  // the shaft steps nothing
    }
    return;
  }
  focus_ = id;
  if (id == IDC_DRIVE_LIST) {
    RunDropList();
  } else {
    Press(id);
  }
}

void TerminalApp::Press(int id) {
  const std::optional<DialogCommand> command = ButtonCommand(id);
  if (!command) return;
  dialog_.OnCommand(*command);
  if (*command != DialogCommand::kFind) return;
  if (!dialog_.scan_busy()) {
    screen_.Beep();  // nothing to scan
    return;
  }
  find_started_ = Now();
  find_ok_ = false;
  changes_.clear();
  changes_note_.clear();
  status_.clear();
  detail_.clear();
}

void TerminalApp::ChangeDrive(int index) {
  if (index < 0 || index >= port_.DriveCount() ||
      index == port_.SelectedDrive()) {
    return;
  }
  port_.SelectDrive(index);
  dialog_.OnCommand(DialogCommand::kDriveSelectionChanged);
}

void TerminalApp::RunDropList() {
  if (port_.DriveCount() == 0) return;
  DropList list(port_);
  RunModal(list);
  if (list.chosen() >= 0) ChangeDrive(list.chosen());
}

void TerminalApp::RunAbout() {
  // This system keeps no registered owner or organisation (see
  // platform/settings.h): the labels keep their own texts.
  AboutBox about{RegisteredOwner{}, screen_.Mode()};
  RunModal(about);
}

void TerminalApp::RunMessageBox(std::string_view message) {
  MessageBox box(message, screen_.Mode());
  RunModal(box);
}

SaveAsResult TerminalApp::RunSaveAs(const SaveAsRequest& request,
                                    std::string* path) {
  SaveAsBox box(request, current_directory_ ? current_directory_() : "",
                screen_.Mode());
  RunModal(box);
  if (box.result() == SaveAsResult::kChosen) *path = box.path();
  return box.result();
}

bool TerminalApp::WaitForOutput() {
  if (quit_) return false;
  waiting_for_output_ = true;
  Present();
  const Key key = NextKey();
  waiting_for_output_ = false;
  if (key.code == KeyCode::kInterrupt) {
    quit_ = true;  // the dialog ends once the writer has let go
    return false;
  }
  if (key.code == KeyCode::kEscape ||
      (key.code == KeyCode::kChar && FoldKey(key.ch) == U'c')) {
    return false;
  }
  if (key.code != KeyCode::kNone && key.code != KeyCode::kResize) {
    screen_.Beep();
  }
  return true;
}

std::string TerminalApp::KeyHelp() const {
  if (!dialog_.has_ranking()) return std::string(text::kKeyHelp);
  const bool groups = dialog_.ranked_by() == RankedBy::kGroup;
  const bool save = find_ok_ && history_.available();
  if (focus_ == IDC_RANKING_GROUP) {
    if (save) {
      return std::string(groups ? text::kRowSaveKeyHelpGroups
                                : text::kRowSaveKeyHelp);
    }
    return std::string(groups ? text::kRowKeyHelpGroups : text::kRowKeyHelp);
  }
  if (save) {
    return std::string(groups ? text::kRankedSaveKeyHelpGroups
                              : text::kRankedSaveKeyHelp);
  }
  return std::string(groups ? text::kRankedKeyHelpGroups
                            : text::kRankedKeyHelp);
}

std::size_t TerminalApp::FirstShown() const {
  return static_cast<std::size_t>(dialog_.pages().current_page()) *
         kRowsPerPage;
}

RankingRows TerminalApp::RowsShown() const {
  RankingRows rows;
  rows.blocks = screen_.Mode().unicode_lines;
  if (!dialog_.has_ranking()) return rows;
  const Ranking& ranking = dialog_.ranking();
  if (ranking.empty()) return rows;
  rows.largest = ranking.front().bytes;  // largest first
  for (std::size_t i = FirstShown();
       i < ranking.size() && rows.bytes.size() < kRowsPerPage; ++i) {
    rows.bytes.push_back(ranking[i].bytes);
    if (i < changes_.size()) rows.changes.push_back(changes_[i]);
  }
  if (focus_ == IDC_RANKING_GROUP) rows.marked = mark_;
  return rows;
}

void TerminalApp::KeepMarkOnPage() {
  if (focus_ != IDC_RANKING_GROUP) return;
  if (!Usable(IDC_RANKING_GROUP)) {
    focus_ = IDC_OK;
    return;
  }
  const std::size_t shown = std::min<std::size_t>(
      dialog_.ranking().size() - FirstShown(), kRowsPerPage);
  mark_ = std::clamp(mark_, 0, static_cast<int>(shown) - 1);
}

void TerminalApp::StepMark(int delta) {
  const long long to = static_cast<long long>(FirstShown()) + mark_ + delta;
  if (to < 0 || to >= static_cast<long long>(dialog_.ranking().size())) return;
  // Past the page's first or last row, the page turns.
  const int page = static_cast<int>(to / kRowsPerPage);
  while (dialog_.pages().current_page() < page) {
    dialog_.OnCommand(DialogCommand::kPageRight);
  }
  while (dialog_.pages().current_page() > page) {
    dialog_.OnCommand(DialogCommand::kPageLeft);
  }
  mark_ = static_cast<int>(to % kRowsPerPage);
}

void TerminalApp::OpenMarkedRow() {
  const Ranking& ranking = dialog_.ranking();
  const std::size_t index = FirstShown() + static_cast<std::size_t>(mark_);
  if (index >= ranking.size() ||
      !dialog_.directories().Has(dialog_.ranked_by())) {
    screen_.Beep();
    return;
  }
  DirectoryBox box(dialog_.directories(), dialog_.ranked_by(), ranking[index],
                   dialog_.ranked_root(), screen_.Mode());
  RunModal(box);
}

void TerminalApp::SwitchRanking() {
  const RankedBy other = dialog_.ranked_by() == RankedBy::kOwner
                             ? RankedBy::kGroup
                             : RankedBy::kOwner;
  if (!dialog_.ShowRankingBy(other)) {
    screen_.Beep();
    return;
  }
  KeepMarkOnPage();
  RefreshChanges();
}

FinishedFind TerminalApp::LastFind() const {
  FinishedFind find;
  find.root = dialog_.ranked_root();
  find.started = find_started_;
  find.finished = find_finished_;
  find.owners = &dialog_.ranking_by(RankedBy::kOwner);
  find.groups = &dialog_.ranking_by(RankedBy::kGroup);
  find.directories = &dialog_.directories();
  find.stats = &dialog_.last_stats();
  return find;
}

void TerminalApp::RefreshChanges() {
  changes_.clear();
  changes_note_.clear();
  if (!find_ok_) return;
  changes_ =
      history_.ChangesSince(LastFind(), dialog_.ranked_by(), &changes_note_);
}

void TerminalApp::SaveFind() {
  if (!find_ok_ || !dialog_.has_ranking() || !history_.available()) {
    screen_.Beep();
    return;
  }
  std::string message;
  const int width = kMainCols - 4;
  if (history_.Save(LastFind(), &message)) {
    RefreshChanges();
    status_ = FitToWidth(Fill(text::kFindSaved, {SanitizeName(history_.path())}),
                         width);
    detail_ = changes_note_;
    return;
  }
  screen_.Beep();
  std::tie(status_, detail_) = TwoLines(
      std::string(text::kFindNotSaved) + " " + SanitizeName(message), width);
}

void TerminalApp::FinishFind() {
  const std::optional<Status> status = dialog_.FinishFind();
  KeepMarkOnPage();
  if (status && status->ok()) {
    find_finished_ = Now();
    find_ok_ = true;
    RefreshChanges();
    status_ = ScanSummary(dialog_.last_stats());
    detail_ = SkipSummary(dialog_.last_stats());
    if (!changes_note_.empty()) {
      detail_ = detail_.empty() ? changes_note_
                                : detail_ + "  " + changes_note_;
    }
  } else if (status && status->code() == StatusCode::kCancelled) {
    status_ = std::string(text::kScanCancelled);
    detail_.clear();
  } else {
    status_.clear();
    detail_.clear();
  }
}

}  // namespace ovik::tui
