#include "hosts/win32/dialog_procs.h"

#include <commctrl.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/settings.h"
#include "platform/wide_text_win32.h"
#include "dialog/about_dialog.h"
#include "dialog/control_ids.h"
#include "dialog/dialog_commands.h"
#include "dialog/main_dialog.h"
#include "dialog/scan_status_text.h"
#include "dialog/texts.h"
#include "present/fill.h"
#include "hosts/win32/win32_dialog_port.h"

namespace ovik {
namespace {

// The main dialog's command for a WM_COMMAND; nothing for the rest (Esc,
// other notifications of the drive list).
std::optional<DialogCommand> CommandOf(int id, int code) {
  if (id == IDC_DRIVE_LIST) {
    if (code == CBN_SELCHANGE) return DialogCommand::kDriveSelectionChanged;
    return std::nullopt;
  }
  return ButtonCommand(id);
}

// The page scroll bar's arrows; its shaft, thumb and ends step nothing.
std::optional<DialogCommand> ScrollCommandOf(int code) {
  if (code == SB_LINELEFT) return DialogCommand::kPageLeft;
  if (code == SB_LINERIGHT) return DialogCommand::kPageRight;
  return std::nullopt;
}

std::string LoadText(HINSTANCE instance, UINT id) {
  const wchar_t* text = nullptr;
  // With a zero length the call hands out the resource's own text.
  const int length =
      LoadStringW(instance, id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || text == nullptr) return std::string();
  return WideToUtf8(std::wstring_view(text, static_cast<std::size_t>(length)));
}

// Where the registered names are, as the string table says.
RegisteredOwner ReadRegisteredOwnerOfResources(HINSTANCE instance) {
  const RegisteredOwnerKey where{LoadText(instance, IDS_REG_KEY),
                                 LoadText(instance, IDS_REG_OWNER),
                                 LoadText(instance, IDS_REG_ORGANIZATION)};
  RegisteredOwner registered;
  // A key that cannot be opened leaves both labels as they are.
  if (!ReadRegisteredOwner(where, &registered).ok()) return RegisteredOwner{};
  return registered;
}

HINSTANCE InstanceOf(HWND window) {
  return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
}

// The key of a WM_KEYDOWN as a page step of the ranking: the arrows and
// PgUp/PgDn; nothing for the other keys.
std::optional<DialogCommand> PageKeyCommand(WPARAM key) {
  switch (key) {
    case VK_LEFT:
    case VK_UP:
    case VK_PRIOR:
      return DialogCommand::kPageLeft;
    case VK_RIGHT:
    case VK_DOWN:
    case VK_NEXT:
      return DialogCommand::kPageRight;
    default:
      return std::nullopt;
  }
}

// The controls whose focus lets the arrows and PgUp/PgDn page the
// ranking: everything that takes the focus but the drive list, whose
// arrows choose a drive.
constexpr int kPagingControls[] = {IDC_OK, IDC_FIND, IDC_REPORT_OUT,
                                   IDC_ABOUT, IDC_PAGE_SCROLL};
constexpr UINT_PTR kPagingSubclass = 1;

constexpr UINT_PTR kProgressTimer = 1;
// How often the caption shows the Find's figures.
constexpr UINT kProgressMilliseconds = 200;

std::string CaptionOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
  return WideToUtf8(text);
}

void SetCaption(HWND window, std::string_view caption) {
  SetWindowTextW(window, Utf8ToWide(caption).c_str());
}

// One main dialog window: its port and its logic. Lives from
// WM_INITDIALOG to WM_NCDESTROY.
class MainWindow {
 public:
  MainWindow(HWND dialog, const MainDialogSetup& setup)
      : dialog_(dialog),
        port_(dialog),
        logic_(port_, *setup.fs, *setup.volumes, setup.scan_options) {
    logic_.set_about_handler([this] { OpenAbout(); });
    logic_.set_find_done_handler(
        [dialog] { PostMessageW(dialog, kScanDoneMessage, 0, 0); });
  }

  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  MainDialog& logic() { return logic_; }

  void OnInitDialog() {
    SetClassLongPtrW(dialog_, GCLP_HICON,
                     reinterpret_cast<LONG_PTR>(LoadIconW(
                         InstanceOf(dialog_), MAKEINTRESOURCEW(IDI_OVIK))));
    for (int id : kPagingControls) {
      SetWindowSubclass(GetDlgItem(dialog_, id), PagingKeysProc,
                        kPagingSubclass, reinterpret_cast<DWORD_PTR>(this));
    }
    logic_.OnInitDialog();
  }

  void OnCommand(DialogCommand command) {
    const HWND focus = GetFocus();
    logic_.OnCommand(command);
    if (command == DialogCommand::kFind && logic_.scan_busy()) {
      OnFindStarted(focus);
    }
  }

  // Esc: while a Find runs, asks whether to stop it.
  void OnCancel() {
    if (logic_.scan_busy() && AskToStop(text::kStopFind)) {
      logic_.CancelFind();
      ShowProgress();
    }
    FinishIfDoneMeanwhile();
  }

  // The close box, Alt+F4, the system menu's Close: ends the dialog; a
  // Find that runs is stopped first when the user agrees.
  void OnClose() {
    if (logic_.scan_busy() && !AskToStop(text::kStopFindAndClose)) {
      FinishIfDoneMeanwhile();
      return;
    }
    if (logic_.scan_busy()) EndFind();
    logic_.OnCommand(DialogCommand::kClose);
  }

  void OnScanDone() {
    // Handled once the question that is open has been answered.
    if (asking_) {
      done_while_asking_ = true;
      return;
    }
    if (!logic_.scan_busy()) return;
    EndFind();
    const std::optional<Status> status = logic_.FinishFind();
    if (!status || !IsWindow(dialog_)) return;
    if (!status->ok()) {
      SetCaption(dialog_, caption_before_find_);
      return;
    }
    const std::string& method = logic_.ranked_method();
    SetCaption(dialog_,
               method == "walk"
                   ? Fill(text::kCountedByWalk, {text::kMainCaption})
                   : Fill(text::kCountedFromTable,
                          {text::kMainCaption, method}));
    TellWhatIsMissing();
  }

  void OnTimer() {
    if (logic_.scan_busy()) ShowProgress();
  }

  // The wait cursor anywhere over the window while a Find runs.
  bool OnSetCursor() {
    if (!logic_.scan_busy()) return false;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return true;
  }

 private:
  static LRESULT CALLBACK PagingKeysProc(HWND control, UINT message,
                                         WPARAM w_param, LPARAM l_param,
                                         UINT_PTR /*id*/, DWORD_PTR data) {
    switch (message) {
      case WM_GETDLGCODE:
        // The arrows come to the control rather than move the focus.
        return DefSubclassProc(control, message, w_param, l_param) |
               DLGC_WANTARROWS;
      case WM_KEYDOWN:
        if (const std::optional<DialogCommand> step = PageKeyCommand(w_param)) {
          reinterpret_cast<MainWindow*>(data)->OnCommand(*step);
          return 0;
        }
        break;
      case WM_NCDESTROY:
        RemoveWindowSubclass(control, PagingKeysProc, kPagingSubclass);
        break;
      default:
        break;
    }
    return DefSubclassProc(control, message, w_param, l_param);
  }

  void OnFindStarted(HWND focus) {
    // The window keeps answering (it moves, repaints, takes Esc and the
    // close box) while the walk runs on its own thread; the controls the
    // logic has disabled meanwhile take no input.
    focus_before_find_ = focus;
    caption_before_find_ = CaptionOf(dialog_);
    SetTimer(dialog_, kProgressTimer, kProgressMilliseconds, nullptr);
    ShowProgress();
    POINT cursor;
    RECT window;
    if (GetCursorPos(&cursor) && GetWindowRect(dialog_, &window) &&
        PtInRect(&window, cursor)) {
      SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    }
  }

  // The Find is over, or about to be: no more progress, the cursor and
  // the focus as they were.
  void EndFind() {
    KillTimer(dialog_, kProgressTimer);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    if (focus_before_find_ != nullptr && IsWindow(focus_before_find_) &&
        IsWindowEnabled(focus_before_find_)) {
      SetFocus(focus_before_find_);
    }
    focus_before_find_ = nullptr;
  }

  void ShowProgress() {
    const ScanProgress& progress = logic_.find_progress();
    SetCaption(dialog_,
               ProgressCaption(
                   progress.files.load(std::memory_order_relaxed),
                   progress.directories.load(std::memory_order_relaxed),
                   progress.bytes.load(std::memory_order_relaxed),
                   progress.cancel.load(std::memory_order_relaxed)));
  }

  // A question with Yes and No on the dialog; true for Yes. The Find
  // goes on meanwhile; if it ends, the end waits for the answer.
  bool AskToStop(std::string_view question) {
    asking_ = true;
    const int answer =
        MessageBoxW(dialog_, Utf8ToWide(question).c_str(),
                    Utf8ToWide(text::kCaption).c_str(),
                    MB_YESNO | MB_ICONQUESTION);
    asking_ = false;
    return answer == IDYES;
  }

  void FinishIfDoneMeanwhile() {
    if (!done_while_asking_) return;
    done_while_asking_ = false;
    OnScanDone();
  }

  // After a Find whose ranking is short: what it could not count.
  void TellWhatIsMissing() {
    const std::vector<std::string> facts =
        MissingFacts(logic_.last_stats());
    if (facts.empty()) return;
    std::string message(text::kRankingIsIncomplete);
    for (const std::string& fact : facts) message += "\n" + fact + ".";
    MessageBoxW(dialog_, Utf8ToWide(message).c_str(),
                Utf8ToWide(text::kCaption).c_str(), MB_OK | MB_ICONWARNING);
  }

  // The About box has no owner window: the main dialog stays usable and
  // may open another one.
  void OpenAbout() {
    DialogBoxParamW(InstanceOf(dialog_), MAKEINTRESOURCEW(IDD_ABOUT), nullptr,
                    AboutDialogProc, 0);
  }

  HWND dialog_;
  Win32DialogPort port_;
  MainDialog logic_;
  HWND focus_before_find_ = nullptr;
  std::string caption_before_find_;
  bool asking_ = false;
  bool done_while_asking_ = false;
};

MainWindow* WindowOf(HWND dialog) {
  return reinterpret_cast<MainWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM w_param,
                                LPARAM l_param) {
  MainWindow* window = WindowOf(dialog);
  switch (message) {
    case WM_INITDIALOG: {
      const auto* setup = reinterpret_cast<const MainDialogSetup*>(l_param);
      window = new MainWindow(dialog, *setup);
      SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(window));
      window->OnInitDialog();
      return TRUE;
    }
    case WM_COMMAND:
      if (window == nullptr) return FALSE;
      if (LOWORD(w_param) == IDCANCEL) {
        window->OnCancel();  // Esc
      } else if (std::optional<DialogCommand> command =
                     CommandOf(LOWORD(w_param), HIWORD(w_param))) {
        window->OnCommand(*command);
      }
      return FALSE;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // With every control disabled by a Find, the focus is on the dialog
      // itself or nowhere, and Esc comes here as a key (or a system key).
      if (window != nullptr && w_param == VK_ESCAPE &&
          window->logic().scan_busy()) {
        window->OnCancel();
        return TRUE;
      }
      return FALSE;
    case WM_HSCROLL:
      if (window == nullptr) return FALSE;
      if (std::optional<DialogCommand> command =
              ScrollCommandOf(LOWORD(w_param))) {
        window->OnCommand(*command);
      }
      return FALSE;
    case WM_CLOSE:
      if (window == nullptr) return FALSE;
      window->OnClose();
      // Handled: left to the dialog manager, the close command would come
      // back as Esc, which asks again while a Find runs.
      return TRUE;
    case WM_TIMER:
      if (window != nullptr) window->OnTimer();
      return TRUE;
    case WM_SETCURSOR:
      if (window == nullptr || !window->OnSetCursor()) return FALSE;
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_QUERYOPEN:
      // A dialog procedure hands back a message's own result through
      // DWLP_MSGRESULT; its return value only says "handled".
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT,
                        window == nullptr || window->logic().QueryOpen()
                            ? TRUE
                            : FALSE);
      return TRUE;
    case kScanDoneMessage:
      if (window != nullptr) window->OnScanDone();
      return TRUE;
    case WM_NCDESTROY:
      SetWindowLongPtrW(dialog, DWLP_USER, 0);
      delete window;
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM /*w_param*/,
                                 LPARAM /*l_param*/) {
  switch (message) {
    case WM_INITDIALOG: {
      Win32DialogPort port(dialog);
      AboutDialog about(port);
      about.OnInitDialog(ReadRegisteredOwnerOfResources(InstanceOf(dialog)));
      return TRUE;
    }
    case WM_COMMAND: {
      Win32DialogPort port(dialog);
      AboutDialog(port).OnCommand();
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace ovik
