#include "present/where_lines.h"

#include "present/display_name.h"
#include "present/usage_text.h"

namespace ovik {

std::string BuildWhereLine(std::uint64_t bytes, std::uint64_t owner_total,
                           std::string_view path, bool holds_folded) {
  std::string line = FormatSize(bytes >> 10);
  line += '\t';
  line += FormatShareFourDecimals(bytes, owner_total);
  line += "%\t";
  line += std::to_string(bytes);
  line += '\t';
  line += EscapeName(path);
  if (holds_folded) line += "\t+";
  line += '\n';
  return line;
}

std::string JoinPath(std::string_view root, std::string_view relative) {
  std::string path(root);
  if (relative.empty()) return path;
  if (path.empty() || path.back() != '/') path += '/';
  path += relative;
  return path;
}

}  // namespace ovik
