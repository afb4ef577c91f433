// The name of the machine the program runs on, as messages that name a
// machine among several (the ranks of a cluster job) show it.
#ifndef OVIK_PLATFORM_HOST_NAME_H_
#define OVIK_PLATFORM_HOST_NAME_H_

#include <string>

#include "platform/status.h"

namespace ovik {

// Leaves |name| untouched when the system cannot say.
Status ReadHostName(std::string* name);

}  // namespace ovik

#endif  // OVIK_PLATFORM_HOST_NAME_H_
