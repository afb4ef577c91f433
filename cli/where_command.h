// `ovik where OWNER [PATH]`: the directories that hold an owner's (or a
// group's) bytes, largest first, from one scan (present/where_lines.h
// gives the lines' form).
//
// OWNER is looked for in the ranking by name, then by id; then in the
// account (group) database. One the database knows that has no bytes
// under PATH is told on the error stream, with nothing listed and exit
// status 0: that is the answer (3, as for any list, when the scan could
// not read everything). One nobody knows is an error (1); one the
// database could not be asked about is not unknown, and the answer is
// incomplete (3).
#ifndef OVIK_CLI_WHERE_COMMAND_H_
#define OVIK_CLI_WHERE_COMMAND_H_

#include "cli/command_line.h"
#include "cli/commands.h"

namespace ovik {

int Where(const CommandLine& line, CommandContext& c);

}  // namespace ovik

#endif  // OVIK_CLI_WHERE_COMMAND_H_
