#include "cli/where_command.h"

#include <optional>
#include <string>

#include "cli/find_run.h"
#include "cli/texts.h"
#include "present/display_name.h"
#include "present/fill.h"
#include "present/where_lines.h"
#include "scan/owner_directories.h"

namespace ovik {
namespace {

// The record of |who| in |table|: by name, else by id.
std::optional<OwnerIndex> FindRanked(const OwnerTable& table,
                                     const std::string& who) {
  if (auto found = table.FindOwner(who)) return found;
  for (OwnerIndex i = 0; i < table.size(); ++i) {
    if (!table[i].id.empty() && table[i].id == who) return i;
  }
  return std::nullopt;
}

// A name or path in messages: as the lines write paths.
std::string Shown(std::string_view name) { return EscapeName(name); }

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

  std::optional<OwnerIndex> index = FindRanked(table, line.owner);
  std::string name = line.owner;
  if (!index) {
    const Status known = group ? c.fs.FindGroup(line.owner, &name)
                               : c.fs.FindAccount(line.owner, &name);
    if (known.code() == StatusCode::kNotFound) {
      c.err << Fill(group ? cli_text::kUnknownGroup
                          : cli_text::kUnknownAccount,
                    {Shown(line.owner), Shown(found.root)});
      return kExitFailure;
    }
    // Not unknown: the database did not answer, so the answer is short.
    if (!known.ok()) {
      c.err << Fill(group ? cli_text::kGroupNotAsked
                          : cli_text::kAccountNotAsked,
                    {Shown(line.owner), Shown(found.root), known.ToString()});
      return kExitIncomplete;
    }
    index = table.FindOwner(name);
  } else {
    name = table[*index].name;
  }
  const DirectoryUsage& usage = result.directories;
  const std::optional<OwnerDirectories> directories =
      index ? std::optional<OwnerDirectories>(std::in_place, usage, by, *index)
            : std::nullopt;
  if (!directories || directories->total() == 0) {
    c.err << Fill(cli_text::kNoBytesThere, {Shown(name), Shown(found.root)});
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
    c.err << Fill(cli_text::kDirectoriesFolded, {usage.folded_directories()});
  }
  if (!usage.links_in_walk_order()) {
    c.err << cli_text::kLinksNotInWalkOrder;
  }
  if (!c.out) {
    c.err << cli_text::kListNotWritten;
    return kExitFailure;
  }
  return listed;
}

}  // namespace ovik
