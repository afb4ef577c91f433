#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <utility>
#include <vector>

#include "cli/commands.h"

namespace ovik {
namespace {

using Action = CommandLine::Action;

constexpr const char* kProgram = "ovik";

// A whole number from |least| to |most|, in decimal, else |why|; the text
// is rewritten without leading zeros so that it cannot be read as octal.
CLI::Validator Decimal(unsigned long long least, unsigned long long most,
                       std::string why) {
  return CLI::Validator(
      [least, most, why](std::string& text) -> std::string {
        if (text.empty() || text.size() > 12) return why;
        unsigned long long n = 0;
        for (char c : text) {
          if (c < '0' || c > '9') return why;
          n = n * 10 + static_cast<unsigned long long>(c - '0');
        }
        if (n < least || n > most) return why;
        text = std::to_string(n);
        return {};
      },
      "");
}

// The words an option takes, with what each stands for.
template <typename Value>
using Words = std::vector<std::pair<std::string, Value>>;

Words<ReportFormat> FormatWords() {
  return {{"text", ReportFormat::kText},
          {"csv", ReportFormat::kCsv},
          {"json", ReportFormat::kJson},
          {"html", ReportFormat::kHtml}};
}

Words<RankedBy> RankedByWords() {
  return {{"owner", RankedBy::kOwner}, {"group", RankedBy::kGroup}};
}

template <typename Value>
std::vector<std::string> WordsOf(const Words<Value>& words) {
  std::vector<std::string> list;
  for (const auto& [word, value] : words) list.push_back(word);
  return list;
}

// One of |words|; the text becomes the value's number, which is how the
// parser reads an enumeration.
template <typename Value>
CLI::Validator OneOf(const Words<Value>& words) {
  std::string why = "needs one of";
  for (const auto& [word, value] : words) why += " " + word;
  return CLI::Validator(
      [words, why](std::string& text) -> std::string {
        for (const auto& [word, value] : words) {
          if (word == text) {
            text = std::to_string(static_cast<int>(value));
            return {};
          }
        }
        return why;
      },
      "");
}

CLI::Validator NonEmptyFileName() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        return text.empty() ? "needs a file name, not an empty one" : "";
      },
      "");
}

// The usage line of a program with commands: one line for itself and one
// for each command, instead of a [COMMAND] marker.
class Formatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App* app, std::string name) const override {
    std::string usage = CLI::Formatter::make_usage(app, name);
    const std::vector<const CLI::App*> commands = app->get_subcommands({});
    if (commands.empty()) return usage;
    const std::string marker = " [" + get_label("SUBCOMMAND") + "]";
    if (const auto at = usage.rfind(marker); at != std::string::npos) {
      usage.erase(at, marker.size());
    }
    const std::string indent(get_label("Usage").size() + 1, ' ');
    for (const CLI::App* command : commands) {
      std::string line =
          CLI::Formatter::make_usage(command, name + " " + command->get_name());
      line.replace(0, get_label("Usage").size() + 1, indent);
      usage += line;
    }
    return usage;
  }
};

std::string ExitStatusFooter() {
  std::string text = "Exit status:\n";
  for (const ExitStatusText& s : ExitStatusTexts()) {
    text += "  " + std::to_string(s.status) + "  " + s.meaning + "\n";
  }
  text.pop_back();  // the formatter ends the footer itself
  return text;
}

// What one parse fills in besides the command line itself.
struct ParseState {
  CommandLine line;
  bool version = false;
  std::vector<std::string> command_path;  // at most one
  std::string help_topic;
  // The options that take words, by command.
  std::vector<std::pair<const CLI::App*, CommandSyntax::Choices>> choices;
};

// The options more than one command has, each defined here once.
void AddJobs(CLI::App* command, ParseState& state) {
  command->add_option("-j,--jobs", state.line.threads,
                      "scan with N threads, 1 to 256\n"
                      "(default: one per processor, at least four)")
      ->type_name("N")
      ->transform(Decimal(1, 256, "needs a number of threads from 1 to 256"));
}

void AddRankedBy(CLI::App* command, ParseState& state,
                 const std::string& help) {
  command->add_option("--by", state.line.by, help)
      ->type_name("WHAT")
      ->transform(OneOf(RankedByWords()));
  state.choices.push_back({command, {"--by", WordsOf(RankedByWords())}});
}

void AddPath(CLI::App* command, ParseState& state) {
  command
      ->add_option("PATH", state.command_path,
                   "the directory to scan (default: the default volume)")
      ->expected(1)
      ->option_text(" ");
}

// The whole command line. Each command is defined here once: its
// options are bound to the fields its runner reads.
std::unique_ptr<CLI::App> MakeParser(ParseState& state) {
  auto app = std::make_unique<CLI::App>(
      "Which accounts use the space on a volume, and how much.\n"
      "Without a command: the dialog in this terminal.",
      kProgram);
  app->formatter(std::make_shared<Formatter>());
  app->get_formatter()->column_width(22);
  app->get_formatter()->label("SUBCOMMAND", "COMMAND");
  app->get_formatter()->label("Positionals", "Arguments");
  app->set_help_flag("-h,--help", "show this help and exit");
  app->footer(ExitStatusFooter());
  app->require_subcommand(0, 1);

  app->add_option("PATH", state.line.paths,
                  "directories to offer in the dialog's drive list")
      ->option_text("...");
  app->add_flag("-V,--version", state.version,
                "show the program's version and exit");

  CLI::App* report = app->add_subcommand(
      "report", "rank the owners of PATH and write the report");
  AddPath(report, state);
  report->add_option("-o,--output", state.line.output,
                     "write the report to FILE, not to standard output;\n"
                     "FILE is replaced whole or left as it was")
      ->type_name("FILE")
      ->check(NonEmptyFileName());
  report->add_option("--format", state.line.format,
                     "write the ranking as text (the report file's\n"
                     "format, the default), csv, json or html")
      ->type_name("FORMAT")
      ->transform(OneOf(FormatWords()));
  state.choices.push_back({report, {"--format", WordsOf(FormatWords())}});
  AddRankedBy(report, state,
              "rank the files' owners (owner, the default) or\n"
              "their groups (group)");
  AddJobs(report, state);
  report->callback([&state] { state.line.action = Action::kReport; });

  CLI::App* where = app->add_subcommand(
      "where", "list the directories that hold OWNER's bytes under PATH");
  where->add_option("OWNER", state.line.owner,
                    "an account name or a numeric id (with --by group,\n"
                    "a group's)")
      ->required()
      ->option_text(" ");
  AddPath(where, state);
  where->add_option("--top", state.line.top,
                    "list the N directories that hold most\n"
                    "(default: 20; 0 lists every one)")
      ->type_name("N")
      ->transform(Decimal(0, 1'000'000'000, "needs a number of directories"));
  AddRankedBy(where, state,
              "OWNER is an owner (owner, the default) or a\n"
              "group (group)");
  AddJobs(where, state);
  where->callback([&state] { state.line.action = Action::kWhere; });

  CLI::App* drives = app->add_subcommand(
      "drives", "list the volumes that can be scanned, with their facts");
  drives->callback([&state] { state.line.action = Action::kDrives; });

  // help comes last: its topics are the commands defined above.
  std::vector<std::string> topics;
  for (const CLI::App* command : app->get_subcommands({})) {
    topics.push_back(command->get_name());
  }
  topics.push_back("help");
  CLI::App* help =
      app->add_subcommand("help", "show the help of COMMAND or of the program");
  help->add_option("COMMAND", state.help_topic, "one of the commands")
      ->option_text(" ")
      ->check(CLI::IsMember(topics));
  help->callback([&state] { state.line.action = Action::kHelp; });

  for (CLI::App* command : app->get_subcommands({})) command->group("Commands");
  return app;
}

// Usage and a pointer to the help of |command|, after an error.
std::string UsageHint(const CLI::App& command) {
  std::string name = kProgram;
  if (command.get_parent() != nullptr) name += " " + command.get_name();
  std::string usage;
  if (const auto* formatter =
          dynamic_cast<const CLI::Formatter*>(command.get_formatter().get())) {
    usage = formatter->make_usage(&command, name);
  }
  return usage + "Run '" + name + " --help' for more.\n";
}

// The command the parse went into last, or the program itself.
const CLI::App& CurrentCommand(const CLI::App& app) {
  const std::vector<CLI::App*> parsed = app.get_subcommands();
  return parsed.empty() ? app : *parsed.back();
}

std::string HelpOf(const CLI::App& command) {
  if (command.get_parent() == nullptr) return command.help();
  return command.help(kProgram);
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParseState state;
  std::unique_ptr<CLI::App> app = MakeParser(state);
  auto fail = [&](std::string why) {
    CommandLine line;
    line.action = Action::kError;
    line.error = std::move(why);
    line.help = UsageHint(CurrentCommand(*app));
    return line;
  };
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    CommandLine line;
    line.action = Action::kHelp;
    line.help = HelpOf(CurrentCommand(*app));
    return line;
  } catch (const CLI::ParseError& e) {
    return fail(e.what());
  }

  CommandLine line = std::move(state.line);
  const std::vector<CLI::App*> parsed = app->get_subcommands();
  if (!parsed.empty() && !line.paths.empty()) {
    return fail("the command " + parsed.front()->get_name() +
                " comes before any PATH");
  }
  if (state.version) {
    if (!parsed.empty() || !line.paths.empty()) {
      return fail("--version takes no arguments");
    }
    line.action = Action::kVersion;
    return line;
  }
  if (line.action == Action::kReport || line.action == Action::kWhere) {
    line.paths = std::move(state.command_path);
  }
  if (line.action == Action::kHelp) line.help = HelpText(state.help_topic);
  return line;
}

std::string HelpText(const std::string& command) {
  ParseState state;
  std::unique_ptr<CLI::App> app = MakeParser(state);
  if (command.empty()) return HelpOf(*app);
  for (const CLI::App* found : app->get_subcommands({})) {
    if (found->get_name() == command) return HelpOf(*found);
  }
  return {};
}

std::vector<CommandSyntax> DescribeCommandLine() {
  ParseState state;
  std::unique_ptr<CLI::App> app = MakeParser(state);
  std::vector<const CLI::App*> commands = {app.get()};
  for (const CLI::App* command : app->get_subcommands({})) {
    commands.push_back(command);
  }
  std::vector<CommandSyntax> syntax;
  for (const CLI::App* command : commands) {
    CommandSyntax& s = syntax.emplace_back();
    if (command != app.get()) s.command = command->get_name();
    for (const auto& [owner, choices] : state.choices) {
      if (owner == command) s.choices.push_back(choices);
    }
    for (const CLI::Option* option : command->get_options()) {
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
    }
  }
  return syntax;
}

std::vector<ExitStatusText> ExitStatusTexts() {
  return {
      {kExitOk, "success"},
      {kExitFailure, "failure: nothing could be scanned, the report could "
                     "not be written, or OWNER is not known"},
      {kExitUsage, "usage error: the command line was not understood"},
      {kExitIncomplete, "the report (or the list of where) was written, but "
                        "some directories or owners could not be read: it "
                        "is incomplete"},
  };
}

}  // namespace ovik
