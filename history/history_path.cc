#include "history/history_path.h"

namespace ovik {
namespace {

constexpr const char* kFile = "/ovik/history.sqlite";

// The XDG rules ignore a relative path; so does ovik, for HOME too.
bool Usable(const std::optional<std::string>& dir) {
  return dir && !dir->empty() && (*dir)[0] == '/';
}

std::string WithoutTrailingSlashes(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (dir == "/") dir.clear();
  return dir;
}

}  // namespace

bool DefaultHistoryPath(const HistoryEnvironment& environment,
                        std::string* path, std::string* error) {
  if (environment.root) {
    *path = std::string("/var/lib") + kFile;
    return true;
  }
  if (Usable(environment.xdg_state_home)) {
    *path = WithoutTrailingSlashes(*environment.xdg_state_home) + kFile;
    return true;
  }
  if (Usable(environment.home)) {
    *path = WithoutTrailingSlashes(*environment.home) + "/.local/state" + kFile;
    return true;
  }
  *error =
      "no place for the history: neither XDG_STATE_HOME nor HOME is an "
      "absolute path; name a file with --history FILE";
  return false;
}

}  // namespace ovik
