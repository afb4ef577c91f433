#include "ui/tui/terminal_dialog.h"

#include <langinfo.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/filesystem.h"
#include "platform/settings.h"
#include "platform/volumes.h"
#include "present/ranking_pages.h"
#include "ui/control_ids.h"
#include "ui/main_dialog.h"
#include "ui/texts.h"
#include "ui/tui/canvas.h"
#include "ui/tui/keys.h"
#include "ui/tui/layout.h"
#include "ui/tui/line_edit.h"
#include "ui/tui/paths.h"
#include "ui/tui/render.h"
#include "ui/tui/screen.h"
#include "ui/tui/signal_watch.h"
#include "ui/tui/status_text.h"
#include "ui/tui/terminal_port.h"
#include "ui/tui/text_cells.h"

namespace ovik {
namespace {

using tui::Canvas;
using tui::CursorPos;
using tui::Key;
using tui::KeyCode;

// How often the dialog looks at a running scan and at pending signals.
constexpr int kPollMilliseconds = 100;

// Command id of Esc in a dialog.
constexpr int kCancelCommand = 2;

// Notification code of a pressed button.
constexpr int kButtonClicked = 0;

std::string CurrentDirectory() {
  std::error_code error;
  std::filesystem::path cwd = std::filesystem::current_path(error);
  return error ? std::string() : cwd.string();
}

// Runs the main dialog on the terminal: the control model, the dialog's
// logic over it, the scan's worker thread and the modal boxes.
class TerminalApp : public tui::ModalHost {
 public:
  TerminalApp(tui::Screen& screen, tui::SignalWatch& signals, FileSystem& fs,
              VolumeSource& volumes)
      : screen_(screen),
        signals_(signals),
        port_(tui::MainDialogTemplate(), this),
        dialog_(port_, fs, volumes) {}

  ~TerminalApp() override {
    if (worker_.joinable()) {
      progress_->cancel.store(true);
      worker_.join();
    }
  }

  int Run(const std::vector<std::string>& roots);

  void RunMessageBox(std::string_view message) override;
  SaveAsResult RunSaveAs(const SaveAsRequest& request,
                         std::string* path) override;

 private:
  bool Busy() const { return worker_.joinable(); }
  bool Usable(int id) const {
    return port_.Enabled(id) &&
           (id != IDC_DRIVE_LIST || port_.DriveCount() > 0);
  }

  // The next key, or kInterrupt when the dialog is to end.
  Key NextKey();
  // Draws the main dialog with |overlay| (a modal box) on top of it.
  void Present(const std::function<CursorPos(Canvas*)>& overlay = {});

  void HandleKey(const Key& key);
  void HandleClick(const Key& key);
  void Press(int id);
  void ChangeDrive(int index);
  void RunDropList();
  void RunAbout();

  void StartFind();
  void CheckFind();
  void CancelFind();
  void FinishFind();

  tui::Screen& screen_;
  tui::SignalWatch& signals_;
  tui::TerminalPort port_;
  MainDialog dialog_;

  int focus_ = IDC_OK;
  int drop_highlight_ = -1;  // the open drive list's marked entry
  bool quit_ = false;
  int quit_signal_ = 0;
  std::string status_;
  std::string detail_;

  std::unique_ptr<ScanProgress> progress_;
  std::thread worker_;
  std::atomic<bool> worker_done_{false};
  ScanResult worker_result_;  // written by the worker before it is done
};

int TerminalApp::Run(const std::vector<std::string>& roots) {
  dialog_.set_about_handler([this] { RunAbout(); });
  dialog_.OnInitDialog();
  if (!roots.empty()) {
    for (const std::string& root : roots) dialog_.AddAndSelectRoot(root);
    dialog_.AddAndSelectRoot(roots.front());
  }
  while (!port_.end_result()) {
    if (quit_) {
      if (Busy()) CancelFind();
      if (!port_.end_result()) dialog_.CloseMainDialog();
      break;
    }
    CheckFind();
    if (port_.end_result()) break;
    Present();
    const Key key = NextKey();
    if (key.code == KeyCode::kInterrupt) {
      quit_ = true;
      continue;
    }
    if (Busy()) {
      // Only the scan's own key is taken while it runs.
      if (key.code == KeyCode::kEscape ||
          (key.code == KeyCode::kChar && tui::FoldKey(key.ch) == U'c')) {
        progress_->cancel.store(true);
      } else if (key.code != KeyCode::kNone && key.code != KeyCode::kResize) {
        screen_.Beep();
      }
      continue;
    }
    HandleKey(key);
  }
  return quit_signal_ == 0 ? 0 : 128 + quit_signal_;
}

Key TerminalApp::NextKey() {
  Key quit;
  quit.code = KeyCode::kInterrupt;
  if (const int signal = signals_.Poll(); signal != 0) {
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
  if (!tui::FitsScreen(cols, rows) && key.code != KeyCode::kResize) {
    return Key{};
  }
  return key;
}

void TerminalApp::Present(const std::function<CursorPos(Canvas*)>& overlay) {
  int cols = 0;
  int rows = 0;
  screen_.Size(&cols, &rows);
  Canvas canvas(cols, rows);
  if (!tui::FitsScreen(cols, rows)) {
    tui::RenderTooSmall(cols, rows, &canvas);
    screen_.Show(canvas, {});
    return;
  }
  tui::MainView view;
  view.port = &port_;
  view.focus = focus_;
  view.busy = Busy();
  view.drop_highlight = drop_highlight_;
  if (Busy()) {
    view.status = tui::ProgressLine(
        progress_->files.load(std::memory_order_relaxed),
        progress_->directories.load(std::memory_order_relaxed),
        progress_->bytes.load(std::memory_order_relaxed),
        progress_->cancel.load(std::memory_order_relaxed));
    view.detail = tui::CurrentDirectoryLine(progress_->CurrentDirectory(),
                                            tui::kMainCols - 4);
    view.hint = std::string(text::kScanKeyHelp);
  } else {
    view.status = status_;
    view.detail = detail_;
    view.hint = std::string(text::kKeyHelp);
  }
  tui::RenderMainDialog(tui::LayoutMainDialog(cols, rows), view, &canvas);
  CursorPos cursor;
  if (overlay) cursor = overlay(&canvas);
  screen_.Show(canvas, cursor);
}

void TerminalApp::HandleKey(const Key& key) {
  if (key.code == KeyCode::kMouse) {
    HandleClick(key);
    return;
  }
  const tui::MainAction action = tui::MapMainKey(
      key, focus_, [this](int id) { return Usable(id); });
  switch (action.kind) {
    case tui::MainActionKind::kNone:
      return;
    case tui::MainActionKind::kPress:
      focus_ = action.id;
      Press(action.id);
      return;
    case tui::MainActionKind::kMoveFocus:
      focus_ = action.id;
      return;
    case tui::MainActionKind::kDriveStep:
      ChangeDrive(port_.SelectedDrive() + action.delta);
      return;
    case tui::MainActionKind::kOpenDriveList:
      RunDropList();
      return;
    case tui::MainActionKind::kScroll:
      dialog_.OnScroll(action.code);
      return;
    case tui::MainActionKind::kQuit:
      quit_ = true;
      return;
  }
}

void TerminalApp::HandleClick(const Key& key) {
  int cols = 0;
  int rows = 0;
  screen_.Size(&cols, &rows);
  const tui::DialogLayout layout = tui::LayoutMainDialog(cols, rows);
  const int id = layout.HitTest(key.x, key.y);
  if (id == 0 || !Usable(id)) return;
  if (id == IDC_PAGE_SCROLL) {
    switch (tui::HitScrollBar(layout.Find(id)->cells, key.x, key.y)) {
      case tui::ScrollPart::kLeftArrow:
        dialog_.OnScroll(kScrollLineLeft);
        break;
      case tui::ScrollPart::kRightArrow:
        dialog_.OnScroll(kScrollLineRight);
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
  if (id == IDC_FIND) {
    StartFind();
  } else {
    dialog_.OnCommand(id, kButtonClicked);
  }
}

void TerminalApp::ChangeDrive(int index) {
  if (index < 0 || index >= port_.DriveCount() ||
      index == port_.SelectedDrive()) {
    return;
  }
  port_.SelectDrive(index);
  dialog_.OnCommand(IDC_DRIVE_LIST, kDriveSelectionChanged);
}

void TerminalApp::RunDropList() {
  const int count = port_.DriveCount();
  if (count == 0) return;
  drop_highlight_ = std::max(port_.SelectedDrive(), 0);
  int chosen = -1;
  while (drop_highlight_ >= 0 && !quit_) {
    Present();
    const Key key = NextKey();
    switch (key.code) {
      case KeyCode::kInterrupt:
        quit_ = true;
        break;
      case KeyCode::kUp:
        drop_highlight_ = std::max(drop_highlight_ - 1, 0);
        break;
      case KeyCode::kDown:
        drop_highlight_ = std::min(drop_highlight_ + 1, count - 1);
        break;
      case KeyCode::kHome:
        drop_highlight_ = 0;
        break;
      case KeyCode::kEnd:
        drop_highlight_ = count - 1;
        break;
      case KeyCode::kEnter:
        chosen = drop_highlight_;
        drop_highlight_ = -1;
        break;
      case KeyCode::kChar:
        if (key.ch == U' ') {
          chosen = drop_highlight_;
          drop_highlight_ = -1;
        }
        break;
      case KeyCode::kEscape:
      case KeyCode::kTab:
      case KeyCode::kBackTab:
        drop_highlight_ = -1;
        break;
      case KeyCode::kMouse: {
        int cols = 0;
        int rows = 0;
        screen_.Size(&cols, &rows);
        const tui::Rect box = tui::DropListRect(
            tui::LayoutMainDialog(cols, rows), count, rows);
        const int shown = box.h - 2;
        const int first = std::clamp(drop_highlight_ - shown + 1, 0,
                                     std::max(0, count - shown));
        const tui::Rect items{box.x + 1, box.y + 1, box.w - 2, shown};
        if (items.Contains(key.x, key.y) &&
            first + key.y - items.y < count) {
          chosen = first + key.y - items.y;
        }
        drop_highlight_ = -1;
        break;
      }
      default:
        break;
    }
  }
  drop_highlight_ = -1;
  if (chosen >= 0) ChangeDrive(chosen);
}

void TerminalApp::RunAbout() {
  tui::TerminalPort about_port(tui::AboutDialogTemplate(), this);
  AboutDialog about(about_port);
  about.OnInitDialog(ReadRegisteredOwner());
  while (!about_port.end_result()) {
    if (quit_) {
      about.OnCommand(kCancelCommand);
      break;
    }
    int cols = 0;
    int rows = 0;
    screen_.Size(&cols, &rows);
    const tui::DialogLayout layout = tui::LayoutAboutDialog(cols, rows);
    Present([&](Canvas* canvas) {
      tui::RenderAboutDialog(layout, about_port, canvas);
      return CursorPos{};
    });
    const Key key = NextKey();
    switch (key.code) {
      case KeyCode::kInterrupt:
        quit_ = true;
        break;
      case KeyCode::kEnter:
        about.OnCommand(IDC_OK);
        break;
      case KeyCode::kEscape:
        about.OnCommand(kCancelCommand);
        break;
      case KeyCode::kChar:
        if (key.ch == U' ') about.OnCommand(IDC_OK);
        break;
      case KeyCode::kMouse:
        if (layout.HitTest(key.x, key.y) == IDC_OK) about.OnCommand(IDC_OK);
        break;
      default:
        break;
    }
  }
}

void TerminalApp::RunMessageBox(std::string_view message) {
  const int width = tui::DisplayWidth(message);
  while (!quit_) {
    int cols = 0;
    int rows = 0;
    screen_.Size(&cols, &rows);
    const tui::MessageBoxLayout layout =
        tui::LayoutMessageBox(cols, rows, width);
    Present([&](Canvas* canvas) {
      tui::RenderMessageBox(layout, text::kCaption, message, canvas);
      return CursorPos{};
    });
    const Key key = NextKey();
    switch (key.code) {
      case KeyCode::kInterrupt:
        quit_ = true;
        return;
      case KeyCode::kEnter:
      case KeyCode::kEscape:
        return;
      case KeyCode::kChar:
        if (key.ch == U' ') return;
        break;
      case KeyCode::kMouse:
        if (layout.ok.Contains(key.x, key.y)) return;
        break;
      default:
        break;
    }
  }
}

SaveAsResult TerminalApp::RunSaveAs(const SaveAsRequest& request,
                                    std::string* path) {
  tui::LineEdit field;
  tui::SaveAsFocus focus = tui::SaveAsFocus::kField;
  const auto choose = [&]() -> std::optional<SaveAsResult> {
    const std::string cwd = CurrentDirectory();
    if (cwd.empty()) return SaveAsResult::kFailed;
    std::optional<std::string> name = tui::ResolveSaveAsName(
        field.Text(), request.default_extension, cwd);
    if (!name) {
      // No file named yet: the box stays, as it does for an empty name.
      screen_.Beep();
      focus = tui::SaveAsFocus::kField;
      return std::nullopt;
    }
    *path = std::move(*name);
    return SaveAsResult::kChosen;
  };
  while (!quit_) {
    int cols = 0;
    int rows = 0;
    screen_.Size(&cols, &rows);
    const tui::SaveAsLayout layout = tui::LayoutSaveAs(cols, rows);
    Present([&](Canvas* canvas) {
      return tui::RenderSaveAs(layout, request.title, field, focus, canvas);
    });
    const Key key = NextKey();
    const bool in_field = focus == tui::SaveAsFocus::kField;
    switch (key.code) {
      case KeyCode::kInterrupt:
        quit_ = true;
        return SaveAsResult::kCancelled;
      case KeyCode::kEscape:
        return SaveAsResult::kCancelled;
      case KeyCode::kTab:
        focus = focus == tui::SaveAsFocus::kField ? tui::SaveAsFocus::kOk
                : focus == tui::SaveAsFocus::kOk  ? tui::SaveAsFocus::kCancel
                                                  : tui::SaveAsFocus::kField;
        break;
      case KeyCode::kBackTab:
        focus = focus == tui::SaveAsFocus::kField ? tui::SaveAsFocus::kCancel
                : focus == tui::SaveAsFocus::kOk  ? tui::SaveAsFocus::kField
                                                  : tui::SaveAsFocus::kOk;
        break;
      case KeyCode::kEnter:
        if (focus == tui::SaveAsFocus::kCancel) return SaveAsResult::kCancelled;
        if (auto result = choose()) return *result;
        break;
      case KeyCode::kChar:
        if (in_field && !key.alt) {
          field.Insert(key.ch);
        } else if (key.ch == U' ') {
          if (focus == tui::SaveAsFocus::kCancel) {
            return SaveAsResult::kCancelled;
          }
          if (auto result = choose()) return *result;
        }
        break;
      case KeyCode::kBackspace:
        if (in_field) field.Backspace();
        break;
      case KeyCode::kDelete:
        if (in_field) field.Delete();
        break;
      case KeyCode::kLeft:
        if (in_field) field.Left();
        break;
      case KeyCode::kRight:
        if (in_field) field.Right();
        break;
      case KeyCode::kHome:
        if (in_field) field.Home();
        break;
      case KeyCode::kEnd:
        if (in_field) field.End();
        break;
      case KeyCode::kMouse:
        if (layout.cancel.Contains(key.x, key.y)) {
          return SaveAsResult::kCancelled;
        }
        if (layout.ok.Contains(key.x, key.y)) {
          if (auto result = choose()) return *result;
        } else if (layout.field.Contains(key.x, key.y)) {
          focus = tui::SaveAsFocus::kField;
        }
        break;
      default:
        break;
    }
  }
  return SaveAsResult::kCancelled;
}

void TerminalApp::StartFind() {
  std::optional<std::string> root = dialog_.BeginFind();
  if (!root) {
    screen_.Beep();
    return;
  }
  status_.clear();
  detail_.clear();
  progress_ = std::make_unique<ScanProgress>();
  worker_done_.store(false);
  ScanOptions options;
  options.threads = 0;  // the scan picks: one per processor, at least four
  options.progress = progress_.get();
  worker_ = std::thread([this, root = std::move(*root), options] {
    worker_result_ = dialog_.RunFind(root, options);
    worker_done_.store(true, std::memory_order_release);
  });
}

void TerminalApp::CheckFind() {
  if (Busy() && worker_done_.load(std::memory_order_acquire)) FinishFind();
}

void TerminalApp::CancelFind() {
  progress_->cancel.store(true);
  FinishFind();
}

void TerminalApp::FinishFind() {
  worker_.join();
  ScanResult result = std::move(worker_result_);
  worker_result_ = ScanResult();
  switch (result.status) {
    case ScanStatus::kOk:
      status_ = tui::ScanSummary(result.stats);
      detail_ = tui::SkipSummary(result.stats);
      break;
    case ScanStatus::kCancelled:
      status_ = std::string(text::kScanCancelled);
      detail_.clear();
      break;
    default:
      status_.clear();
      detail_.clear();
      break;
  }
  dialog_.FinishFind(std::move(result));
}

bool IsUtf8Locale(std::string* codeset) {
  const char* name = nl_langinfo(CODESET);
  *codeset = name == nullptr ? std::string() : std::string(name);
  return *codeset == "UTF-8";
}

}  // namespace

int RunTerminalDialog(const std::vector<std::string>& paths) {
  std::setlocale(LC_ALL, "");
  std::string codeset;
  if (!IsUtf8Locale(&codeset)) {
    std::cerr << text::kNeedsUtf8 << codeset << "\n";
    return 2;
  }
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    std::cerr << text::kNeedsTerminal << "\n";
    return 2;
  }

  // Directories named on the command line, as the walk will see them.
  const std::string cwd = CurrentDirectory();
  std::vector<std::string> roots;
  for (const std::string& path : paths) {
    std::error_code error;
    std::filesystem::path real = std::filesystem::canonical(path, error);
    roots.push_back(error ? tui::AbsoluteRoot(path, cwd) : real.string());
  }

  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  std::unique_ptr<VolumeSource> volumes = MakeSystemVolumeSource();
  // Blocked before any thread starts, so that every thread inherits it.
  tui::SignalWatch signals;
  tui::Screen screen;
  if (!screen.Start()) {
    std::cerr << text::kTerminalFailed << "\n";
    return 2;
  }
  int status = 0;
  {
    TerminalApp app(screen, signals, *fs, *volumes);
    status = app.Run(roots);
  }
  screen.Stop();
  return status;
}

}  // namespace ovik
