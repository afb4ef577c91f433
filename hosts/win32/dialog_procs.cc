#include "hosts/win32/dialog_procs.h"

#include <optional>
#include <string>
#include <utility>

#include "platform/settings.h"
#include "platform/wide_text_win32.h"
#include "dialog/about_dialog.h"
#include "dialog/control_ids.h"
#include "dialog/dialog_commands.h"
#include "dialog/main_dialog.h"
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
    logic_.OnInitDialog();
  }

  void OnCommand(DialogCommand command) {
    logic_.OnCommand(command);
    if (command == DialogCommand::kFind && logic_.scan_busy()) {
      // The walk runs on its own thread so the window keeps answering the
      // system; the dialog takes no input until it ends.
      focus_before_scan_ = GetFocus();
      EnableWindow(dialog_, FALSE);
      disabled_ = true;
    } else if (command == DialogCommand::kClose) {
      Reenable();
    }
  }

  void OnScanDone() {
    Reenable();
    logic_.FinishFind();
  }

 private:
  void Reenable() {
    if (!disabled_) return;
    disabled_ = false;
    EnableWindow(dialog_, TRUE);
    if (focus_before_scan_ != nullptr && IsWindow(focus_before_scan_)) {
      SetFocus(focus_before_scan_);
    }
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
  HWND focus_before_scan_ = nullptr;
  bool disabled_ = false;
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
      if (std::optional<DialogCommand> command =
              CommandOf(LOWORD(w_param), HIWORD(w_param))) {
        window->OnCommand(*command);
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
      if (window != nullptr) window->OnCommand(DialogCommand::kClose);
      return FALSE;
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
