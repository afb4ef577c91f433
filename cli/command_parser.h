// The parser behind ParseCommandLine (cli/command_line.h), for code that
// reads what it accepts rather than parses with it: the check that the
// help, the manual and the bash completion name every command, option
// and word the parser takes.
#ifndef OVIK_CLI_COMMAND_PARSER_H_
#define OVIK_CLI_COMMAND_PARSER_H_

#include <CLI/CLI.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"

namespace ovik {

// What one parse fills in besides the command line itself.
struct ParseState {
  CommandLine line;
  bool version = false;
  std::vector<std::string> command_path;  // at most one
  std::string help_topic;
  // growth: OWNER as the parser took it (a lone PATH lands here), and
  // --top, whose default there is every change.
  std::string growth_owner;
  std::size_t growth_top = 0;
  // Durations as given, read once the parse is over.
  std::string older_than;
  std::string prune;
  std::uint64_t keep = 0;  // 0: not given
};

// The whole command line, its options bound to |state|. The parser is
// "ovik"; its commands are its subcommands.
std::unique_ptr<CLI::App> MakeCommandParser(ParseState& state);

// An option that takes one of a few words checks it with a validator of
// this name followed by the words, each after a blank ("needs one of text
// csv json html"): the message the user gets for any other word.
inline constexpr std::string_view kWordsValidatorName = "needs one of";

}  // namespace ovik

#endif  // OVIK_CLI_COMMAND_PARSER_H_
