// The exit statuses of the programs, for every program and host: what a
// script or cron job reads from the process when it ends. They live with
// the OS layer because every program reaches it without reaching into
// another program's folder, and a status is what the process hands the
// system.
#ifndef OVIK_PLATFORM_EXIT_STATUS_H_
#define OVIK_PLATFORM_EXIT_STATUS_H_

namespace ovik {

inline constexpr int kExitOk = 0;
// Nothing could be scanned or written, or what was asked for is unknown.
inline constexpr int kExitFailure = 1;
// The command line was not understood, or the program cannot run where it
// was started (the dialog without a usable terminal).
inline constexpr int kExitUsage = 2;
// The answer was written, but something below the root could not be
// counted (directories skipped, owners unreadable, totals past the
// largest figure): it is short.
inline constexpr int kExitIncomplete = 3;

// After a request to end (SIGINT, SIGTERM, ...), as a shell reports a
// process the signal ended.
constexpr int ExitStatusAfterSignal(int signal_number) {
  return 128 + signal_number;
}

}  // namespace ovik

#endif  // OVIK_PLATFORM_EXIT_STATUS_H_
