// The requests to end the program: Ctrl-C (SIGINT), a closed terminal
// (SIGHUP) and a polite kill (SIGTERM).
//
// While a HeldTerminationSignals exists they are held back in the thread
// that made it, and in every thread it starts meanwhile, so they cannot
// cut short what it protects (a report half written, a terminal left in
// its dialog modes); Take() picks a pending one up. When it goes, the
// mask it found comes back and a request still pending takes its
// ordinary course: the program ends, with nothing left half done.
// Windows programs get no such requests; there it holds nothing.
#ifndef OVIK_PLATFORM_TERMINATION_SIGNALS_H_
#define OVIK_PLATFORM_TERMINATION_SIGNALS_H_

#include <memory>

namespace ovik {

class HeldTerminationSignals {
 public:
  HeldTerminationSignals();
  ~HeldTerminationSignals();
  HeldTerminationSignals(const HeldTerminationSignals&) = delete;
  HeldTerminationSignals& operator=(const HeldTerminationSignals&) = delete;

  // Takes one pending request (its signal number); 0 when none is pending.
  int Take();

 private:
  struct Masks;  // of the platform's implementation
  std::unique_ptr<Masks> masks_;
};

}  // namespace ovik

#endif  // OVIK_PLATFORM_TERMINATION_SIGNALS_H_
