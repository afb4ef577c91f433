#include "tests/command_syntax.h"

#include <memory>
#include <sstream>

#include "cli/command_parser.h"

namespace ovik {
namespace {

// The words of an option that takes a few, from its validator's name.
std::vector<std::string> WordsOf(CLI::Option& option) {
  for (int i = 0;; ++i) {
    CLI::Validator* validator = nullptr;
    try {
      validator = option.get_validator(i);
    } catch (const CLI::OptionNotFound&) {
      return {};
    }
    const std::string& name = validator->get_name();
    if (name.rfind(kWordsValidatorName, 0) != 0) continue;
    std::istringstream rest(name.substr(kWordsValidatorName.size()));
    std::vector<std::string> words;
    for (std::string word; rest >> word;) words.push_back(word);
    return words;
  }
}

}  // namespace

std::vector<CommandSyntax> DescribeCommandLine() {
  ParseState state;
  std::unique_ptr<CLI::App> app = MakeCommandParser(state);
  std::vector<CLI::App*> commands = {app.get()};
  for (CLI::App* command : app->get_subcommands({})) {
    commands.push_back(command);
  }
  std::vector<CommandSyntax> syntax;
  for (CLI::App* command : commands) {
    CommandSyntax& s = syntax.emplace_back();
    if (command != app.get()) s.command = command->get_name();
    for (CLI::Option* option : command->get_options({})) {
      if (option->get_positional()) {
        s.arguments.push_back(option->get_name());
        continue;
      }
      for (const std::string& name : option->get_snames()) {
        s.options.push_back("-" + name);
      }
      for (const std::string& name : option->get_lnames()) {
        s.options.push_back("--" + name);
      }
      std::vector<std::string> words = WordsOf(*option);
      if (!words.empty() && !option->get_lnames().empty()) {
        s.choices.push_back({"--" + option->get_lnames().front(),
                             std::move(words)});
      }
    }
  }
  return syntax;
}

}  // namespace ovik
