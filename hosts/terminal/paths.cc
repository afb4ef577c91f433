#include "hosts/terminal/paths.h"

#include "platform/lexical_path.h"

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
  // Rooted whatever |current_directory| holds, so there is always an
  // answer.
  return *CleanPath(path, "/" + std::string(current_directory),
                    DotDot::kKeep);
}

}  // namespace ovik::tui
