// Ctrl-C, a closed terminal and a polite kill, taken as requests to end
// the dialog. The signals are blocked while the watch exists (in the
// threads started meanwhile too) and picked up by polling, so they never
// interrupt drawing and need no handler or global flag.
#ifndef OVIK_UI_TUI_SIGNAL_WATCH_H_
#define OVIK_UI_TUI_SIGNAL_WATCH_H_

#include <signal.h>

namespace ovik::tui {

class SignalWatch {
 public:
  SignalWatch();  // blocks SIGINT, SIGTERM and SIGHUP in this thread
  ~SignalWatch();  // restores the mask it found
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

  // Takes one pending signal of the three; 0 when none is pending.
  int Poll();

 private:
  sigset_t watched_;
  sigset_t previous_;
};

}  // namespace ovik::tui

#endif  // OVIK_UI_TUI_SIGNAL_WATCH_H_
