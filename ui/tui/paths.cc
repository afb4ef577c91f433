#include "ui/tui/paths.h"

#include <vector>

namespace ovik::tui {

std::optional<std::string> ResolveSaveAsName(
    std::string_view typed, std::string_view default_extension,
    std::string_view current_directory) {
  constexpr std::string_view kBlanks = " \t";
  const std::size_t begin = typed.find_first_not_of(kBlanks);
  if (begin == std::string_view::npos) return std::nullopt;
  const std::size_t end = typed.find_last_not_of(kBlanks);
  std::string name(typed.substr(begin, end - begin + 1));
  if (name.back() == '/') return std::nullopt;

  const std::size_t slash = name.rfind('/');
  const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  const std::string_view last = std::string_view(name).substr(base);
  if (last == "." || last == "..") return std::nullopt;
  const std::size_t dot = name.rfind('.');
  // A leading dot names a hidden file; it is not an extension.
  const bool has_extension = dot != std::string::npos && dot > base;
  if (!has_extension && !default_extension.empty()) {
    name += '.';
    name += default_extension;
  }
  if (name.front() == '/' || current_directory.empty()) return name;
  std::string path(current_directory);
  if (path.back() != '/') path += '/';
  return path + name;
}

std::string AbsoluteRoot(std::string_view path,
                         std::string_view current_directory) {
  std::string joined;
  if (path.empty() || path.front() != '/') {
    joined = std::string(current_directory) + "/";
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
    parts.push_back(part);
  }
  if (parts.empty()) return "/";
  std::string out;
  for (std::string_view part : parts) {
    out += '/';
    out += part;
  }
  return out;
}

}  // namespace ovik::tui
