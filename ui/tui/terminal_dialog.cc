// Start-up of the terminal dialog: the checks that it can run at all,
// the directories named on the command line, the terminal taken over and
// given back.
#include "ui/tui/terminal_dialog.h"

#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "ui/texts.h"
#include "ui/tui/curses_screen.h"
#include "ui/tui/paths.h"
#include "ui/tui/signal_watch.h"
#include "ui/tui/terminal_app.h"

namespace ovik {
namespace {

std::string CurrentDirectory() {
  std::error_code error;
  std::filesystem::path cwd = std::filesystem::current_path(error);
  return error ? std::string() : cwd.string();
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
  tui::CursesScreen screen;
  if (!screen.Start()) {
    std::cerr << text::kTerminalFailed << "\n";
    return 2;
  }
  int status = 0;
  {
    tui::TerminalApp app(
        screen, [&signals] { return signals.Poll(); }, *fs, *volumes,
        CurrentDirectory);
    status = app.Run(roots);
  }
  screen.Stop();
  return status;
}

}  // namespace ovik
