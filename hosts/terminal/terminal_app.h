// The main dialog on a terminal screen: the control model, the shared
// dialog logic over it, the keys and clicks of the main dialog, the
// modal boxes and the Find that runs meanwhile. Knows the screen only
// through its interface, so tests run it without a terminal.
#ifndef OVIK_HOSTS_TERMINAL_TERMINAL_APP_H_
#define OVIK_HOSTS_TERMINAL_TERMINAL_APP_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "dialog/main_dialog.h"
#include "hosts/terminal/canvas.h"
#include "hosts/terminal/find_history.h"
#include "hosts/terminal/keys.h"
#include "hosts/terminal/modal_box.h"
#include "hosts/terminal/render.h"
#include "hosts/terminal/screen.h"
#include "hosts/terminal/terminal_port.h"

namespace ovik::tui {

class TerminalApp : public ModalHost {
 public:
  // |poll_signal| answers a pending request to end (SIGINT, SIGTERM,
  // SIGHUP) or 0. |current_directory| gives the directory a relative
  // file name of the Save As box is taken in ("" when unknown).
  // |history| is the file of saved scans the ranking's change column
  // compares with and S saves the Find in; nothing for no history.
  TerminalApp(Screen& screen, std::function<int()> poll_signal, FileSystem& fs,
              VolumeSource& volumes,
              std::function<std::string()> current_directory,
              std::optional<std::string> history = std::nullopt);

  // Runs the dialog with |roots| added to the drive list (the first
  // selected) until "OK", Ctrl-C, a signal or the end of the terminal.
  // Returns the process's exit status: 0 after "OK", 128 + the signal.
  int Run(const std::vector<std::string>& roots);

  void RunMessageBox(std::string_view message) override;
  SaveAsResult RunSaveAs(const SaveAsRequest& request,
                         std::string* path) override;
  bool WaitForOutput() override;

  const TerminalPort& port() const { return port_; }

 private:
  bool Usable(int id) const;
  // The next key, or kInterrupt when the dialog is to end.
  Key NextKey();
  // Draws the main dialog with |overlay| (a modal box) on top of it.
  void Present(const std::function<CursorPos(Canvas*)>& overlay = {});
  // Runs |box| until it closes or the dialog is to end.
  template <typename Box>
  void RunModal(Box& box);

  void HandleKey(const Key& key);
  void HandleClick(const Key& key);
  void Press(int id);
  void ChangeDrive(int index);
  void RunDropList();
  void RunAbout();
  void FinishFind();

  // The key line for what has the focus.
  std::string KeyHelp() const;
  // The ranking's rows as the page shows them, with their bars and mark.
  RankingRows RowsShown() const;
  // The place in the ranking of the page's first row.
  std::size_t FirstShown() const;
  // Keeps the mark on a row the page shows (a last page may be short).
  void KeepMarkOnPage();
  // Moves the mark |delta| rows, turning the page where it leaves it.
  void StepMark(int delta);
  // Shows where the bytes of the marked row's owner (or group) are.
  void OpenMarkedRow();
  void SwitchRanking();
  // The last Find, as the history takes it.
  FinishedFind LastFind() const;
  // The change column of the ranking shown, from the history.
  void RefreshChanges();
  void SaveFind();

  Screen& screen_;
  std::function<int()> poll_signal_;
  std::function<std::string()> current_directory_;
  TerminalPort port_;
  MainDialog dialog_;

  int focus_ = 0;
  int mark_ = 0;  // the marked ranking row while the ranking has the focus
  bool quit_ = false;
  bool waiting_for_output_ = false;
  int quit_signal_ = 0;
  std::string status_;
  std::string detail_;
  FindHistory history_;
  // When the last Find started and ended.
  std::chrono::sys_seconds find_started_{};
  std::chrono::sys_seconds find_finished_{};
  bool find_ok_ = false;  // the last Find finished and is shown
  // Each row's change since the saved scan, in ranking order; empty for
  // no column.
  std::vector<std::string> changes_;
  std::string changes_note_;
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_TERMINAL_APP_H_
