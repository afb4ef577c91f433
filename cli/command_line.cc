#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <memory>
#include <utility>
#include <vector>

#include "cli/command_parser.h"
#include "cli/commands.h"
#include "cli/texts.h"
#include "history/when.h"
#include "present/fill.h"

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

Words<CountMethod> MethodWords() {
  return {{"auto", CountMethod::kAuto},
          {"tables", CountMethod::kTables},
          {"walk", CountMethod::kWalk}};
}

// What `ovik history` writes: no page.
Words<ReportFormat> ListingFormatWords() {
  return {{"text", ReportFormat::kText},
          {"csv", ReportFormat::kCsv},
          {"json", ReportFormat::kJson}};
}

Words<AgeBasis> AgeBasisWords() {
  return {{"modified", AgeBasis::kModified}, {"access", AgeBasis::kAccessed}};
}

Words<RankedBy> RankedByWords() {
  return {{"owner", RankedBy::kOwner}, {"group", RankedBy::kGroup}};
}

// One of |words|; the text becomes the value's number, which is how the
// parser reads an enumeration. The validator is named by its message.
template <typename Value>
CLI::Validator OneOf(const Words<Value>& words) {
  std::string why(kWordsValidatorName);
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
      "", why);
}

// A duration ("90d"), as ParseDuration reads it; its message otherwise.
CLI::Validator Duration() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        std::chrono::seconds duration{};
        std::string error;
        return ParseDuration(text, &duration, &error) ? "" : error;
      },
      "");
}

// A duration back from now or a date, as ParseSince reads it.
CLI::Validator Since() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        std::chrono::sys_seconds when{};
        std::string error;
        const auto now = std::chrono::floor<std::chrono::seconds>(
            std::chrono::system_clock::now());
        return ParseSince(text, now, &when, &error) ? "" : error;
      },
      "");
}

CLI::Validator NonEmptyFileName() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        return text.empty() ? std::string(cli_text::kEmptyFileName) : "";
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
  std::string text(cli_text::kExitStatusHeading);
  for (const ExitStatusText& s : ExitStatusTexts()) {
    text += Fill(cli_text::kExitStatusLine, {s.status, s.meaning});
  }
  text.pop_back();  // the formatter ends the footer itself
  return text;
}

// The options more than one command has, each defined here once.
void AddJobs(CLI::App* command, ParseState& state) {
  command->add_option("-j,--jobs", state.line.threads,
                      std::string(cli_text::kHelpJobs))
      ->type_name("N")
      ->transform(Decimal(1, 256, std::string(cli_text::kBadJobs)));
}

void AddMethod(CLI::App* command, ParseState& state) {
  command->add_option("--method", state.line.method,
                      std::string(cli_text::kHelpMethod))
      ->type_name("METHOD")
      ->transform(OneOf(MethodWords()));
}

void AddRankedBy(CLI::App* command, ParseState& state,
                 const std::string& help) {
  command->add_option("--by", state.line.by, help)
      ->type_name("WHAT")
      ->transform(OneOf(RankedByWords()));
}

void AddPath(CLI::App* command, ParseState& state,
             std::string_view help = cli_text::kHelpPath) {
  command->add_option("PATH", state.command_path, std::string(help))
      ->expected(1)
      ->option_text(" ");
}

void AddHistoryFile(CLI::App* command, ParseState& state) {
  command->add_option("--history", state.line.history,
                      std::string(cli_text::kHelpHistoryFile))
      ->type_name("FILE")
      ->check(NonEmptyFileName());
}

// What report and where share beyond the scan: ages and the history.
void AddAgesAndSave(CLI::App* command, ParseState& state) {
  command->add_option("--age-by", state.line.age_by,
                      std::string(cli_text::kHelpAgeBy))
      ->type_name("TIME")
      ->transform(OneOf(AgeBasisWords()));
  command->add_option("--older-than", state.older_than,
                      std::string(cli_text::kHelpOlderThan))
      ->type_name("DURATION")
      ->check(Duration());
  command->add_flag("--save", state.line.save,
                    std::string(cli_text::kHelpSave));
  AddHistoryFile(command, state);
}

}  // namespace

// The whole command line. Each command is defined here once: its
// options are bound to the fields its runner reads.
std::unique_ptr<CLI::App> MakeCommandParser(ParseState& state) {
  auto app = std::make_unique<CLI::App>(
      std::string(cli_text::kHelpProgram),
      kProgram);
  app->formatter(std::make_shared<Formatter>());
  app->get_formatter()->column_width(22);
  app->get_formatter()->label("SUBCOMMAND", "COMMAND");
  app->get_formatter()->label("Positionals", "Arguments");
  app->set_help_flag("-h,--help", std::string(cli_text::kHelpHelp));
  app->footer(ExitStatusFooter());
  app->require_subcommand(0, 1);

  app->add_option("PATH", state.line.paths,
                  std::string(cli_text::kHelpDialogPaths))
      ->option_text("...");
  app->add_flag("-V,--version", state.version,
                std::string(cli_text::kHelpVersion));
  // The dialog's: the history its ranking compares with and S saves in.
  AddHistoryFile(app.get(), state);

  CLI::App* report = app->add_subcommand(
      "report", std::string(cli_text::kHelpReport));
  AddPath(report, state);
  report->add_option("-o,--output", state.line.output,
                     std::string(cli_text::kHelpOutput))
      ->type_name("FILE")
      ->check(NonEmptyFileName());
  report->add_option("--format", state.line.format,
                     std::string(cli_text::kHelpFormat))
      ->type_name("FORMAT")
      ->transform(OneOf(FormatWords()));
  report->add_flag("--csv-raw", state.line.csv_raw,
                   std::string(cli_text::kHelpCsvRaw));
  AddRankedBy(report, state,
              std::string(cli_text::kHelpReportBy));
  AddMethod(report, state);
  AddJobs(report, state);
  AddAgesAndSave(report, state);
  report->callback([&state] { state.line.action = Action::kReport; });

  CLI::App* where = app->add_subcommand(
      "where", std::string(cli_text::kHelpWhere));
  where->add_option("OWNER", state.line.owner,
                    std::string(cli_text::kHelpOwner))
      ->required()
      ->option_text(" ");
  AddPath(where, state);
  where->add_option("--top", state.line.top,
                    std::string(cli_text::kHelpTop))
      ->type_name("N")
      ->transform(Decimal(0, 1'000'000'000, std::string(cli_text::kBadTop)));
  AddRankedBy(where, state,
              std::string(cli_text::kHelpWhereBy));
  AddMethod(where, state);
  AddJobs(where, state);
  AddAgesAndSave(where, state);
  where->callback([&state] { state.line.action = Action::kWhere; });

  CLI::App* growth = app->add_subcommand(
      "growth", std::string(cli_text::kHelpGrowth));
  growth->add_option("OWNER", state.growth_owner,
                     std::string(cli_text::kHelpGrowthOwner))
      ->option_text(" ");
  AddPath(growth, state, cli_text::kHelpGrowthPath);
  growth->add_option("--since", state.line.since,
                     std::string(cli_text::kHelpSince))
      ->type_name("WHEN")
      ->check(Since());
  AddRankedBy(growth, state, std::string(cli_text::kHelpGrowthBy));
  growth->add_option("--top", state.growth_top,
                     std::string(cli_text::kHelpGrowthTop))
      ->type_name("N")
      ->transform(Decimal(0, 1'000'000'000, std::string(cli_text::kBadTop)));
  growth->add_option("--format", state.line.format,
                     std::string(cli_text::kHelpGrowthFormat))
      ->type_name("FORMAT")
      ->transform(OneOf(FormatWords()));
  AddHistoryFile(growth, state);
  growth->callback([&state] { state.line.action = Action::kGrowth; });

  CLI::App* history = app->add_subcommand(
      "history", std::string(cli_text::kHelpHistory));
  AddPath(history, state, cli_text::kHelpHistoryPath);
  history->add_option("--format", state.line.format,
                      std::string(cli_text::kHelpListingFormat))
      ->type_name("FORMAT")
      ->transform(OneOf(ListingFormatWords()));
  history->add_option("--prune", state.prune,
                      std::string(cli_text::kHelpPrune))
      ->type_name("DURATION")
      ->check(Duration());
  history->add_option("--keep", state.keep,
                      std::string(cli_text::kHelpKeep))
      ->type_name("N")
      ->transform(Decimal(1, 1'000'000'000, std::string(cli_text::kBadKeep)));
  AddHistoryFile(history, state);
  history->callback([&state] { state.line.action = Action::kHistory; });

  CLI::App* drives = app->add_subcommand(
      "drives", std::string(cli_text::kHelpDrives));
  drives->callback([&state] { state.line.action = Action::kDrives; });

  // help comes last: its topics are the commands defined above.
  std::vector<std::string> topics;
  for (const CLI::App* command : app->get_subcommands({})) {
    topics.push_back(command->get_name());
  }
  topics.push_back("help");
  CLI::App* help =
      app->add_subcommand("help", std::string(cli_text::kHelpHelpCommand));
  help->add_option("COMMAND", state.help_topic,
                   std::string(cli_text::kHelpTopic))
      ->option_text(" ")
      ->check(CLI::IsMember(topics));
  help->callback([&state] { state.line.action = Action::kHelp; });

  for (CLI::App* command : app->get_subcommands({})) command->group("Commands");
  return app;
}

namespace {

// Usage and a pointer to the help of |command|, after an error.
std::string UsageHint(const CLI::App& command) {
  std::string name = kProgram;
  if (command.get_parent() != nullptr) name += " " + command.get_name();
  std::string usage;
  if (const auto* formatter =
          dynamic_cast<const CLI::Formatter*>(command.get_formatter().get())) {
    usage = formatter->make_usage(&command, name);
  }
  return usage + Fill(cli_text::kMoreHelp, {name});
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
  std::unique_ptr<CLI::App> app = MakeCommandParser(state);
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
    const CLI::App& command = CurrentCommand(*app);
    line.help = HelpOf(command);
    if (command.get_parent() != nullptr) line.help_topic = command.get_name();
    return line;
  } catch (const CLI::ParseError& e) {
    return fail(e.what());
  }

  CommandLine line = std::move(state.line);
  const std::vector<CLI::App*> parsed = app->get_subcommands();
  if (!parsed.empty() && !line.paths.empty()) {
    return fail(Fill(cli_text::kCommandAfterPath,
                     {parsed.front()->get_name()}));
  }
  if (state.version) {
    if (!parsed.empty() || !line.paths.empty() || !line.history.empty()) {
      return fail(std::string(cli_text::kVersionAlone));
    }
    line.action = Action::kVersion;
    return line;
  }
  if (line.action == Action::kReport || line.action == Action::kWhere ||
      line.action == Action::kGrowth || line.action == Action::kHistory) {
    line.paths = std::move(state.command_path);
  }
  if (line.action == Action::kGrowth) {
    line.top = state.growth_top;
    // One word alone is PATH when it reads as a path: no account or
    // group name holds a slash.
    const std::string& word = state.growth_owner;
    if (line.paths.empty() &&
        (word.find('/') != std::string::npos || word == "." || word == "..")) {
      line.paths.push_back(word);
    } else {
      line.owner = word;
    }
  }
  std::string error;
  if (!state.older_than.empty()) {
    std::chrono::seconds duration{};
    if (!ParseDuration(state.older_than, &duration, &error)) return fail(error);
    line.older_than = duration.count();
    line.older_than_text = state.older_than;
  }
  if (!state.prune.empty()) {
    std::chrono::seconds duration{};
    if (!ParseDuration(state.prune, &duration, &error)) return fail(error);
    line.prune = duration.count();
  }
  if (state.keep != 0) line.keep = state.keep;
  if (line.action == Action::kHistory && (line.prune || line.keep) &&
      !line.paths.empty()) {
    return fail(std::string(cli_text::kPruneWholeHistory));
  }
  if (line.save && line.older_than) {
    return fail(std::string(cli_text::kSaveWholeScans));
  }
  if (line.csv_raw && line.format != ReportFormat::kCsv) {
    return fail(std::string(cli_text::kCsvRawAlone));
  }
  if (line.action == Action::kHelp) {
    line.help_topic = std::move(state.help_topic);
    line.help = HelpText(line.help_topic);
  }
  return line;
}

std::string HelpText(const std::string& command) {
  ParseState state;
  std::unique_ptr<CLI::App> app = MakeCommandParser(state);
  if (command.empty()) return HelpOf(*app);
  for (const CLI::App* found : app->get_subcommands({})) {
    if (found->get_name() == command) return HelpOf(*found);
  }
  return {};
}

std::vector<ExitStatusText> ExitStatusTexts() {
  return {
      {kExitOk, cli_text::kExitStatusOk},
      {kExitFailure, cli_text::kExitStatusFailure},
      {kExitUsage, cli_text::kExitStatusUsage},
      {kExitIncomplete, cli_text::kExitStatusIncomplete},
  };
}

}  // namespace ovik
