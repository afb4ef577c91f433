#include "platform/termination_signals.h"

#include <pthread.h>
#include <signal.h>
#include <time.h>

namespace ovik {

struct HeldTerminationSignals::Masks {
  sigset_t held;
  sigset_t previous;
};

HeldTerminationSignals::HeldTerminationSignals()
    : masks_(std::make_unique<Masks>()) {
  sigemptyset(&masks_->held);
  sigaddset(&masks_->held, SIGINT);
  sigaddset(&masks_->held, SIGTERM);
  sigaddset(&masks_->held, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &masks_->held, &masks_->previous);
}

HeldTerminationSignals::~HeldTerminationSignals() {
  pthread_sigmask(SIG_SETMASK, &masks_->previous, nullptr);
}

int HeldTerminationSignals::Take() {
  const timespec no_wait{0, 0};
  const int signal = sigtimedwait(&masks_->held, nullptr, &no_wait);
  return signal > 0 ? signal : 0;
}

}  // namespace ovik
