// The Linux program: the dialog in the terminal, or a headless command.
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/descriptors_posix.h"
#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "cli/commands.h"
#include "hosts/terminal/terminal_dialog.h"

int main(int argc, char** argv) {
  ovik::KeepStandardDescriptorsTaken();
  // A write beyond the file size limit (ulimit -f) should fail with EFBIG
  // and be reported like any other failed write, not kill the program
  // half way through a report.
  signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  const ovik::CommandLine line = ovik::ParseCommandLine(args);
  if (line.action == ovik::CommandLine::Action::kDialog) {
    return ovik::RunTerminalDialog(line.paths, line.history);
  }
  auto fs = ovik::MakeSystemFileSystem();
  auto volumes = ovik::MakeSystemVolumeSource();
  ovik::CommandContext context{*fs, *volumes, std::cout, std::cerr,
                               isatty(STDERR_FILENO) != 0};
  ovik::HistoryEnvironment& history = context.history_environment;
  history.root = geteuid() == 0;
  if (const char* state = std::getenv("XDG_STATE_HOME")) {
    history.xdg_state_home = state;
  }
  if (const char* home = std::getenv("HOME")) history.home = home;
  return ovik::RunCommand(line, context);
}
