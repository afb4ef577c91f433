#include "cli/where_command.h"

#include <optional>
#include <string>

#include "present/display_name.h"
#include "present/where_lines.h"
#include "scan/owner_directories.h"
#include "cli/find_run.h"

namespace ovik {
namespace {

// "alice" in messages: as the ranking would show it.
std::string Shown(std::string_view name) { return SanitizeName(name); }

}  // namespace

int Where(const CommandLine& line, CommandContext& c) {
  const RankedBy by = line.by;
  const bool group = by == RankedBy::kGroup;
  ScanOptions options;
  options.threads = line.threads;
  options.groups = group;
  options.keep_directories = true;
  FoundScan found;
  if (!RunFind(line, options, c, &found)) return kExitFailure;
  TellWhatIsMissing(c.err, found.result.stats);
  // A list with something missing is still given, but says so.
  const int listed =
      IsComplete(found.result.stats) ? kExitOk : kExitIncomplete;
  const ScanResult& result = found.result;
  const OwnerTable& table = result.table_by(by);

  // The owner as the ranking shows it, by name or by number.
  const std::vector<OwnerIndex> matches = table.FindShown(line.owner);
  std::optional<OwnerIndex> index;
  std::string name = line.owner;
  if (matches.size() > 1) {
    c.err << "ovik: " << Shown(line.owner) << " names several "
          << (group ? "groups" : "owners") << "; give one as the ranking "
          << "shows it:";
    for (const OwnerIndex i : matches) c.err << " '" << Shown(table[i].name) << "'";
    c.err << "\n";
    return kExitUsage;
  }
  if (matches.empty()) {
    const Status known = group ? c.fs.FindGroup(line.owner, &name)
                               : c.fs.FindAccount(line.owner, &name);
    if (!known.ok()) {
      if (group) {
        c.err << "ovik: unknown group " << Shown(line.owner)
              << ": no file under " << Shown(found.root)
              << " is in it, and the group database does not know it\n";
      } else {
        c.err << "ovik: unknown account " << Shown(line.owner)
              << ": no file under " << Shown(found.root)
              << " is owned by it, and the account database does not know "
                 "it\n";
      }
      return kExitFailure;
    }
  } else {
    index = matches.front();
    name = table[*index].name;
  }
  const DirectoryUsage& usage = result.directories;
  const std::optional<OwnerDirectories> directories =
      index ? std::optional<OwnerDirectories>(std::in_place, usage, by, *index)
            : std::nullopt;
  if (!directories || directories->total() == 0) {
    c.err << "ovik: " << Shown(name) << " has no bytes under "
          << Shown(found.root) << "\n";
    return listed;
  }

  const std::uint64_t total = directories->total();
  for (const DirectoryIndex d : directories->Top(line.top)) {
    c.out << BuildWhereLine(directories->Bytes(d), total,
                            JoinPath(found.root, usage.Path(d)),
                            usage.HoldsFolded(d));
  }
  c.out << std::flush;
  if (usage.folded_directories() != 0) {
    c.err << "ovik: the directory list reached its memory limit: "
          << usage.folded_directories()
          << " directories are counted in the nearest directory listed "
             "above them, marked +\n";
  }
  if (!usage.links_in_walk_order()) {
    c.err << "ovik: files with several links are listed in the directory "
             "where the walk met them first, which can differ from run to "
             "run\n";
  }
  if (!c.out) {
    c.err << "ovik: writing the list failed\n";
    return kExitFailure;
  }
  return listed;
}

}  // namespace ovik
