// Start-up of the terminal dialog: the checks that it can run at all,
// the directories named on the command line, what the terminal can show,
// the terminal taken over and given back.
#include "hosts/terminal/terminal_dialog.h"

#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "platform/exit_status.h"
#include "platform/filesystem.h"
#include "platform/termination_signals.h"
#include "platform/volumes.h"
#include "dialog/texts.h"
#include "history/history_path.h"
#include "present/fill.h"
#include "hosts/terminal/curses_screen.h"
#include "hosts/terminal/display_mode.h"
#include "hosts/terminal/paths.h"
#include "hosts/terminal/terminal_app.h"
#include "hosts/terminal/terminal_caps.h"
#include "hosts/terminal/terminal_probe.h"

namespace ovik {
namespace {

// How long the terminal is given to answer where its cursor is: far
// longer than a terminal takes, short enough not to be noticed.
constexpr int kProbeTimeoutMs = 250;

std::string CurrentDirectory() {
  std::error_code error;
  std::filesystem::path cwd = std::filesystem::current_path(error);
  return error ? std::string() : cwd.string();
}

bool LocaleIsUtf8() {
  const char* name = nl_langinfo(CODESET);
  return name != nullptr && std::string_view(name) == "UTF-8";
}

// Why the dialog cannot run with this TERM; its value in printable ASCII.
std::string UnusableTerminal(std::string_view term) {
  if (term.empty()) return std::string(text::kTermUnset);
  std::string shown;
  for (char c : term.substr(0, 64)) shown += (c >= 0x20 && c < 0x7F) ? c : '?';
  return Fill(text::kUnusableTerminal, {shown});
}

// The locale curses reads and writes characters in: a UTF-8 one where
// the terminal takes UTF-8, whatever the environment says; elsewhere the
// environment's own, unless that is UTF-8. False when the system has no
// UTF-8 locale.
bool SetCharacterLocale(const tui::DisplayMode& mode, bool locale_utf8) {
  if (mode.utf8 == locale_utf8) return true;
  if (!mode.utf8) return std::setlocale(LC_CTYPE, "C") != nullptr;
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
    if (std::setlocale(LC_CTYPE, name) != nullptr) return true;
  }
  return false;
}

// The history the ranking compares with and S saves in: the one `ovik
// report --save` keeps by default; none where there is nowhere for it.
std::optional<std::string> DefaultHistory() {
  HistoryEnvironment environment;
  environment.root = geteuid() == 0;
  if (const char* state = std::getenv("XDG_STATE_HOME")) {
    environment.xdg_state_home = state;
  }
  if (const char* home = std::getenv("HOME")) environment.home = home;
  std::string path;
  std::string error;
  if (!DefaultHistoryPath(environment, &path, &error)) return std::nullopt;
  return path;
}

}  // namespace

int RunTerminalDialog(const std::vector<std::string>& paths,
                      const std::string& history) {
  std::setlocale(LC_ALL, "");
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    std::cerr << text::kNeedsTerminal << "\n";
    return kExitUsage;
  }
  const char* term_variable = std::getenv("TERM");
  const std::string term = term_variable == nullptr ? "" : term_variable;
  tui::TerminalCaps caps;
  if (term.empty() || !tui::ReadTerminalCaps(term, &caps) ||
      !caps.addressable) {
    std::cerr << UnusableTerminal(term) << "\n";
    return kExitUsage;
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
  // Held before any thread starts, so that every thread inherits it.
  HeldTerminationSignals signals;

  tui::TerminalFacts facts;
  facts.locale_utf8 = LocaleIsUtf8();
  facts.term = term;
  if (!caps.cursor_request.empty()) {
    facts.probe_cells =
        tui::ProbeCells(STDIN_FILENO, STDOUT_FILENO, tui::kProbeText,
                        caps.cursor_request, kProbeTimeoutMs);
  }
  tui::DisplayMode mode = tui::DecideDisplayMode(facts);
  if (!SetCharacterLocale(mode, facts.locale_utf8)) {
    mode = tui::kSingleByteMode;
    std::setlocale(LC_CTYPE, "C");
  }

  tui::CursesScreen screen;
  if (!screen.Start(mode, caps.mouse)) {
    std::cerr << text::kTerminalFailed << "\n";
    return kExitUsage;
  }
  int status = kExitOk;
  {
    tui::TerminalApp app(
        screen, [&signals] { return signals.Take(); }, *fs, *volumes,
        CurrentDirectory,
        history.empty() ? DefaultHistory() : std::optional(history));
    status = app.Run(roots);
  }
  screen.Stop();
  // Whatever arrived after the last look has been answered already by
  // ending the dialog; drop it rather than die on it now.
  while (signals.Take() != 0) {
  }
  return status;
}

}  // namespace ovik
