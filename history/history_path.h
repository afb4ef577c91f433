// Where the history is kept when no --history FILE says otherwise: root's
// in /var/lib/ovik, another user's in their XDG state directory
// ($XDG_STATE_HOME, else ~/.local/state). The environment is given, not
// read here.
#ifndef OVIK_HISTORY_HISTORY_PATH_H_
#define OVIK_HISTORY_HISTORY_PATH_H_

#include <optional>
#include <string>

namespace ovik {

struct HistoryEnvironment {
  bool root = false;  // the effective user is root
  std::optional<std::string> xdg_state_home;
  std::optional<std::string> home;
};

// False with a message when there is nowhere to put it (no absolute
// XDG_STATE_HOME or HOME).
bool DefaultHistoryPath(const HistoryEnvironment& environment,
                        std::string* path, std::string* error);

}  // namespace ovik

#endif  // OVIK_HISTORY_HISTORY_PATH_H_
