#include "hosts/terminal/directory_browser.h"

#include <algorithm>
#include <utility>

#include "present/display_name.h"
#include "scan/saturating.h"

namespace ovik::tui {

DirectoryBrowser::DirectoryBrowser(const DirectoryUsage& usage, RankedBy by,
                                   OwnerIndex owner)
    : usage_(usage), owner_(usage, by, owner) {
  levels_.push_back(List(kRootDirectory));
}

DirectoryBrowser::Level DirectoryBrowser::List(DirectoryIndex directory) const {
  Level level;
  level.directory = directory;
  std::uint64_t below = 0;
  for (const DirectoryIndex child : owner_.Children(directory)) {
    Row row;
    row.directory = owner_.ChainEnd(child);
    row.bytes = owner_.Bytes(child);
    row.name = NameBelow(directory, row.directory);
    below = SaturatingAdd(below, row.bytes);
    level.rows.push_back(std::move(row));
  }
  // What the subdirectories do not hold lies in the directory itself;
  // ranked with them, after those of equal size.
  const std::uint64_t here = owner_.Bytes(directory);
  if (here > below) {
    Row files;
    files.bytes = here - below;
    const auto place = std::find_if(
        level.rows.begin(), level.rows.end(),
        [&files](const Row& row) { return row.bytes < files.bytes; });
    level.rows.insert(place, std::move(files));
  }
  return level;
}

std::string DirectoryBrowser::NameBelow(DirectoryIndex from,
                                        DirectoryIndex to) const {
  std::vector<DirectoryIndex> chain;
  for (DirectoryIndex d = to; d != from && d != kNoDirectoryIndex;
       d = usage_.Parent(d)) {
    chain.push_back(d);
  }
  std::string name;
  for (auto d = chain.rbegin(); d != chain.rend(); ++d) {
    name += SanitizeName(usage_.Name(*d));
    name += '/';
  }
  return name;
}

std::string DirectoryBrowser::ListedPath() const {
  return SanitizeName(usage_.Path(listed()));
}

void DirectoryBrowser::Mark(int row) {
  const int last = static_cast<int>(rows().size()) - 1;
  levels_.back().marked = std::clamp(row, 0, std::max(last, 0));
}

bool DirectoryBrowser::Enter() {
  if (rows().empty()) return false;
  const DirectoryIndex to =
      rows()[static_cast<std::size_t>(marked())].directory;
  if (to == kNoDirectoryIndex) return false;
  levels_.push_back(List(to));
  return true;
}

bool DirectoryBrowser::Back() {
  if (levels_.size() == 1) return false;
  levels_.pop_back();
  return true;
}

}  // namespace ovik::tui
