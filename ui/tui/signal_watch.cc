#include "ui/tui/signal_watch.h"

#include <pthread.h>
#include <time.h>

namespace ovik::tui {

SignalWatch::SignalWatch() {
  sigemptyset(&watched_);
  sigaddset(&watched_, SIGINT);
  sigaddset(&watched_, SIGTERM);
  sigaddset(&watched_, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &watched_, &previous_);
}

SignalWatch::~SignalWatch() {
  // Whatever arrived after the last poll has been answered already by
  // ending the dialog; drop it rather than die on it now.
  while (Poll() != 0) {
  }
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

int SignalWatch::Poll() {
  const timespec no_wait{0, 0};
  const int signal = sigtimedwait(&watched_, nullptr, &no_wait);
  return signal > 0 ? signal : 0;
}

}  // namespace ovik::tui
