// The main dialog in a terminal: `ovik` with no arguments, or with the
// directories to add to the drive list (the first is selected).
#ifndef OVIK_HOSTS_TERMINAL_TERMINAL_DIALOG_H_
#define OVIK_HOSTS_TERMINAL_TERMINAL_DIALOG_H_

#include <string>
#include <vector>

namespace ovik {

// Runs the dialog until "OK", Ctrl-C or the end of the terminal. Returns
// the process's exit status (platform/exit_status.h): kExitOk after "OK",
// ExitStatusAfterSignal after a request to end, kExitUsage when there is
// no usable terminal (the reason goes to stderr). |history| is the file
// of saved scans; empty for the default one.
int RunTerminalDialog(const std::vector<std::string>& paths,
                      const std::string& history = {});

}  // namespace ovik

#endif  // OVIK_HOSTS_TERMINAL_TERMINAL_DIALOG_H_
