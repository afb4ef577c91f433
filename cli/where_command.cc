#include "cli/where_command.h"

#include <optional>
#include <string>
#include <vector>

#include "cli/find_run.h"
#include "cli/history_commands.h"
#include "cli/texts.h"
#include "present/display_name.h"
#include "present/fill.h"
#include "present/where_lines.h"
#include "scan/owner_directories.h"

namespace ovik {
namespace {

// A name or path in messages: as the lines write paths.
std::string Shown(std::string_view name) { return EscapeName(name); }

// The list of where the owner's bytes are, from |found|.
int ListWhere(const CommandLine& line, const FoundScan& found,
              CommandContext& c) {
  const RankedBy by = line.by;
  const bool group = by == RankedBy::kGroup;
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
    std::string names;
    for (const OwnerIndex i : matches) {
      names += Fill(cli_text::kOneOfSeveral, {Shown(table[i].name)});
    }
    c.err << Fill(group ? cli_text::kSeveralGroups : cli_text::kSeveralOwners,
                  {Shown(line.owner), names});
    return kExitUsage;
  }
  if (matches.empty()) {
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
  } else {
    index = matches.front();
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

}  // namespace

int Where(const CommandLine& line, CommandContext& c) {
  const bool group = line.by == RankedBy::kGroup;
  ScanOptions options;
  options.threads = line.threads;
  // A saved scan keeps both rankings.
  options.groups = group || line.save;
  options.keep_directories = true;
  options.age_by = line.age_by;
  options.older_than = line.older_than;
  FoundScan found;
  options.method = line.method;
  if (const int found_status = RunFind(line, options, c, &found);
      found_status != kExitOk) {
    return found_status;
  }
  // The list is written first: a history that cannot take the scan
  // never costs the list.
  const int listed = ListWhere(line, found, c);
  if (!line.save) return listed;
  const int saved = SaveFoundScan(line, found, c);
  return saved == kExitOk ? listed : saved;
}

}  // namespace ovik
