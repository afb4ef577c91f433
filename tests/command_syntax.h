// Everything the command-line parser accepts, read from the parser
// itself, for the test that keeps the help, the manual and the bash
// completion in step with it.
#ifndef OVIK_TESTS_COMMAND_SYNTAX_H_
#define OVIK_TESTS_COMMAND_SYNTAX_H_

#include <string>
#include <vector>

namespace ovik {

// One command ("" for the program itself) with its option names ("-o",
// "--output", ...) and the names of its arguments ("PATH").
struct CommandSyntax {
  // An option that takes one of a few words ("--format": text, csv, ...).
  struct Choices {
    std::string option;  // its long name
    std::vector<std::string> words;
  };
  std::string command;
  std::vector<std::string> options;
  std::vector<std::string> arguments;
  std::vector<Choices> choices;
};

std::vector<CommandSyntax> DescribeCommandLine();

}  // namespace ovik

#endif  // OVIK_TESTS_COMMAND_SYNTAX_H_
