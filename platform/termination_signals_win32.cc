#include "platform/termination_signals.h"

namespace ovik {

struct HeldTerminationSignals::Masks {};

HeldTerminationSignals::HeldTerminationSignals() = default;
HeldTerminationSignals::~HeldTerminationSignals() = default;

int HeldTerminationSignals::Take() { return 0; }

}  // namespace ovik
