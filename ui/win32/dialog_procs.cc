#include "ui/win32/dialog_procs.h"

#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "platform/settings.h"
#include "ui/control_ids.h"

namespace ovik {
namespace {

// One main dialog window: its port, its logic and the walk that may be
// running for it. Lives from WM_INITDIALOG to WM_NCDESTROY.
class MainWindow {
 public:
  MainWindow(HWND dialog, const MainDialogSetup& setup)
      : dialog_(dialog),
        setup_(setup),
        port_(setup.make_port ? setup.make_port(dialog)
                              : std::make_unique<Win32DialogPort>(dialog)),
        logic_(*port_, *setup.fs, *setup.volumes) {
    logic_.set_about_handler([this] { OpenAbout(); });
  }

  ~MainWindow() { StopScan(); }

  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  MainDialog& logic() { return logic_; }

  void OnInitDialog() {
    const HINSTANCE instance = Instance();
    SetClassLongPtrW(dialog_, GCLP_HICON,
                     reinterpret_cast<LONG_PTR>(
                         LoadIconW(instance, MAKEINTRESOURCEW(IDI_OVIK))));
    logic_.OnInitDialog();
  }

  void OnCommand(int id, int code) {
    if (scan_thread_.joinable()) return;  // the dialog is disabled meanwhile
    if (id == IDC_FIND) {
      StartFind();
      return;
    }
    logic_.OnCommand(id, code);
  }

  // The walk runs on its own thread so the window keeps answering the
  // system; the dialog takes no input until it ends.
  void StartFind() {
    std::optional<std::string> root = logic_.BeginFind();
    if (!root) return;
    focus_before_scan_ = GetFocus();
    EnableWindow(dialog_, FALSE);
    progress_.cancel.store(false);
    ScanOptions options = setup_.scan_options;
    options.progress = &progress_;
    scan_thread_ = std::thread([this, root = std::move(*root), options] {
      scan_result_.emplace(logic_.RunFind(root, options));
      PostMessageW(dialog_, kScanDoneMessage, 0, 0);
    });
  }

  void OnScanDone() {
    if (!scan_thread_.joinable()) return;
    scan_thread_.join();
    EnableWindow(dialog_, TRUE);
    if (focus_before_scan_ != nullptr && IsWindow(focus_before_scan_)) {
      SetFocus(focus_before_scan_);
    }
    std::optional<ScanResult> result = std::move(scan_result_);
    scan_result_.reset();
    if (result) logic_.FinishFind(std::move(*result));
  }

  void OnClose() {
    StopScan();
    logic_.CloseMainDialog();
  }

 private:
  HINSTANCE Instance() const {
    return reinterpret_cast<HINSTANCE>(
        GetWindowLongPtrW(dialog_, GWLP_HINSTANCE));
  }

  void StopScan() {
    if (!scan_thread_.joinable()) return;
    progress_.cancel.store(true);
    scan_thread_.join();
    scan_result_.reset();
    EnableWindow(dialog_, TRUE);
  }

  // The About box has no owner window: the main dialog stays usable and
  // may open another one.
  void OpenAbout() {
    DialogBoxParamW(Instance(), MAKEINTRESOURCEW(IDD_ABOUT), nullptr,
                    AboutDialogProc, reinterpret_cast<LPARAM>(&setup_));
  }

  HWND dialog_;
  const MainDialogSetup& setup_;
  std::unique_ptr<Win32DialogPort> port_;
  MainDialog logic_;
  ScanProgress progress_;
  std::thread scan_thread_;
  std::optional<ScanResult> scan_result_;
  HWND focus_before_scan_ = nullptr;
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
      if (window != nullptr) {
        window->OnCommand(LOWORD(w_param), HIWORD(w_param));
      }
      return FALSE;
    case WM_HSCROLL:
      if (window != nullptr) window->logic().OnScroll(LOWORD(w_param));
      return FALSE;
    case WM_CLOSE:
      if (window != nullptr) window->OnClose();
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

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM w_param,
                                 LPARAM l_param) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* setup = reinterpret_cast<const MainDialogSetup*>(l_param);
      Win32DialogPort port(dialog);
      AboutDialog about(port);
      about.OnInitDialog(setup != nullptr && setup->read_registered_owner
                             ? setup->read_registered_owner()
                             : ReadRegisteredOwner());
      return TRUE;
    }
    case WM_COMMAND: {
      Win32DialogPort port(dialog);
      AboutDialog(port).OnCommand(LOWORD(w_param));
      return TRUE;
    }
    default:
      return FALSE;
  }
}

const MainDialog* MainDialogOf(HWND dialog) {
  if (GetWindowLongPtrW(dialog, DWLP_DLGPROC) !=
      reinterpret_cast<LONG_PTR>(&MainDialogProc)) {
    return nullptr;
  }
  MainWindow* window = WindowOf(dialog);
  return window == nullptr ? nullptr : &window->logic();
}

}  // namespace ovik
