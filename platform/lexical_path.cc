#include "platform/lexical_path.h"

#include <vector>

namespace ovik {

std::optional<std::string> CleanPath(std::string_view path,
                                     std::string_view base, DotDot dot_dot) {
  std::string joined;
  if (path.empty() || path.front() != '/') {
    if (base.empty() || base.front() != '/') return std::nullopt;
    joined = std::string(base) + "/";
  }
  joined += path;

  std::vector<std::string_view> parts;
  std::string_view rest = joined;
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view()
                                           : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == ".." && dot_dot == DotDot::kFold) {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  if (parts.empty()) return std::string("/");
  std::string out;
  for (std::string_view part : parts) {
    out += '/';
    out += part;
  }
  return out;
}

bool PathWithin(std::string_view root, std::string_view path,
                std::string_view separators) {
  if (root.empty() || path.substr(0, root.size()) != root) return false;
  const auto is_separator = [separators](char c) {
    return separators.find(c) != std::string_view::npos;
  };
  return path.size() == root.size() || is_separator(root.back()) ||
         is_separator(path[root.size()]);
}

}  // namespace ovik
