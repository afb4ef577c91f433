#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/command_syntax.h"

namespace ovik {
namespace {

using Action = CommandLine::Action;

TEST(ParseCommandLineTest, ReadsEachForm) {
  struct Case {
    std::vector<std::string> args;
    Action action;
    std::vector<std::string> paths;
    std::string output;
    unsigned threads;
  };
  const Case cases[] = {
      {{}, Action::kDialog, {}, "", 0},
      {{"/home", "/srv", "-"}, Action::kDialog, {"/home", "/srv", "-"}, "", 0},
      {{"report", "/home", "-o", "out.txt", "-j", "4"},
       Action::kReport, {"/home"}, "out.txt", 4},
      {{"report", "-oout.txt", "-j2", "--", "-dir"},
       Action::kReport, {"-dir"}, "out.txt", 2},
      // Decimal, whatever the leading zeros.
      {{"report", "--output=out.txt", "--jobs", "010"},
       Action::kReport, {}, "out.txt", 10},
      {{"where", "alice", "/home", "-j", "2"},
       Action::kWhere, {"/home"}, "", 2},
      {{"growth"}, Action::kGrowth, {}, "", 0},
      {{"growth", "/srv"}, Action::kGrowth, {"/srv"}, "", 0},
      {{"growth", "alice", "/srv"}, Action::kGrowth, {"/srv"}, "", 0},
      {{"history", "/srv"}, Action::kHistory, {"/srv"}, "", 0},
      {{"drives"}, Action::kDrives, {}, "", 0},
      {{"help"}, Action::kHelp, {}, "", 0},
      {{"-h"}, Action::kHelp, {}, "", 0},
      {{"report", "--help"}, Action::kHelp, {}, "", 0},
      {{"-V"}, Action::kVersion, {}, "", 0},
      {{"--version"}, Action::kVersion, {}, "", 0},
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(c.args);
    SCOPED_TRACE(testing::PrintToString(c.args) + " " + line.error);
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.paths, c.paths);
    EXPECT_EQ(line.output, c.output);
    EXPECT_EQ(line.threads, c.threads);
  }
}

TEST(ParseCommandLineTest, RefusesWhatItCannotUseAndSaysWhy) {
  struct Case {
    std::vector<std::string> args;
    std::string problem;  // in the message
    std::string command;  // whose usage follows
  };
  const Case cases[] = {
      {{"report", "-o"}, "--output", "ovik report"},
      {{"report", "-o", ""}, "file name", "ovik report"},
      {{"report", "-j", "0"}, "1 to 256", "ovik report"},
      {{"report", "-j", "257"}, "1 to 256", "ovik report"},
      {{"report", "-j", "-1"}, "1 to 256", "ovik report"},
      {{"report", "-j", "x"}, "1 to 256", "ovik report"},
      {{"report", "a", "b"}, "PATH", "ovik report"},
      {{"report", "--frobnicate"}, "--frobnicate", "ovik report"},
      {{"report", "--format", "xml"}, "csv", "ovik report"},
      {{"report", "--by", "user"}, "group", "ovik report"},
      {{"report", "--csv-raw"}, "--format csv", "ovik report"},
      {{"where"}, "OWNER", "ovik where"},
      {{"where", "alice", "/a", "/b"}, "PATH", "ovik where"},
      {{"where", "alice", "--top", "-1"}, "number", "ovik where"},
      {{"where", "alice", "--format", "csv"}, "--format", "ovik where"},
      {{"report", "--older-than", "90m"}, "minutes or months", "ovik report"},
      {{"report", "--older-than", "x"}, "--older-than", "ovik report"},
      {{"report", "--save", "--older-than", "1y"}, "--save", "ovik report"},
      {{"where", "a", "--age-by", "birth"}, "modified access", "ovik where"},
      {{"where", "a", "--history", ""}, "file name", "ovik where"},
      {{"growth", "a", "/b", "/c"}, "PATH", "ovik growth"},
      {{"growth", "--since", "yesterday"}, "--since", "ovik growth"},
      {{"growth", "--save"}, "--save", "ovik growth"},
      {{"history", "--format", "html"}, "csv json", "ovik history"},
      {{"history", "--keep", "0"}, "number of scans", "ovik history"},
      {{"history", "--prune", "1y", "/srv"}, "no PATH", "ovik history"},
      {{"drives", "extra"}, "extra", "ovik drives"},
      {{"help", "bogus"}, "bogus", "ovik help"},
      {{"--frobnicate"}, "--frobnicate", "ovik"},
      {{"--version", "extra"}, "--version", "ovik"},
      {{"/srv", "report"}, "report", "ovik report"},
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(c.args);
    SCOPED_TRACE(testing::PrintToString(c.args));
    EXPECT_EQ(line.action, Action::kError);
    EXPECT_NE(line.error.find(c.problem), std::string::npos) << line.error;
    EXPECT_NE(line.help.find("Usage: " + c.command + " "), std::string::npos)
        << line.help;
    EXPECT_NE(line.help.find("'" + c.command + " --help'"), std::string::npos)
        << line.help;
  }
}

TEST(ParseCommandLineTest, ReadsTheWordsOfFormatByAndTop) {
  const CommandLine report =
      ParseCommandLine({"report", "--format", "json", "--by", "group"});
  EXPECT_EQ(report.format, ReportFormat::kJson);
  EXPECT_EQ(report.by, RankedBy::kGroup);
  EXPECT_FALSE(report.csv_raw);
  EXPECT_TRUE(
      ParseCommandLine({"report", "--csv-raw", "--format=csv"}).csv_raw);
  EXPECT_EQ(ParseCommandLine({"report"}).format, ReportFormat::kText);
  EXPECT_EQ(ParseCommandLine({"report", "--format=html"}).format,
            ReportFormat::kHtml);
  const CommandLine where =
      ParseCommandLine({"where", "--by=group", "staff", "--top", "007"});
  EXPECT_EQ(where.owner, "staff");
  EXPECT_EQ(where.by, RankedBy::kGroup);
  EXPECT_EQ(where.top, 7u);
  EXPECT_TRUE(where.paths.empty());
  EXPECT_EQ(ParseCommandLine({"where", "1000"}).top, 20u);
  EXPECT_EQ(ParseCommandLine({"where", "1000", "--top", "0"}).top, 0u);
}

TEST(ParseCommandLineTest, ReadsTheHistoryAndAgeOptions) {
  const CommandLine report = ParseCommandLine(
      {"report", "/srv", "--save", "--history", "h.sqlite", "--age-by",
       "access"});
  EXPECT_TRUE(report.save);
  EXPECT_EQ(report.history, "h.sqlite");
  EXPECT_EQ(report.age_by, AgeBasis::kAccessed);
  EXPECT_FALSE(report.older_than);
  const CommandLine old =
      ParseCommandLine({"where", "alice", "--older-than", "2w"});
  EXPECT_EQ(old.older_than, std::optional<std::int64_t>(14 * 86400));
  EXPECT_EQ(old.older_than_text, "2w");
  EXPECT_FALSE(old.save);

  // growth: a lone word is OWNER unless it reads as a path.
  const struct {
    std::vector<std::string> args;
    std::string owner;
    std::vector<std::string> paths;
  } kGrowth[] = {
      {{"growth", "alice"}, "alice", {}},
      {{"growth", "./alice"}, "", {"./alice"}},
      {{"growth", "."}, "", {"."}},
      {{"growth", "1000", "srv"}, "1000", {"srv"}},
  };
  for (const auto& c : kGrowth) {
    const CommandLine line = ParseCommandLine(c.args);
    SCOPED_TRACE(testing::PrintToString(c.args) + " " + line.error);
    EXPECT_EQ(line.action, Action::kGrowth);
    EXPECT_EQ(line.owner, c.owner);
    EXPECT_EQ(line.paths, c.paths);
  }
  const CommandLine growth = ParseCommandLine(
      {"growth", "--since", "2025-01-31", "--top", "5", "--format", "html",
       "--by", "group"});
  EXPECT_EQ(growth.since, "2025-01-31");
  EXPECT_EQ(growth.top, 5u);
  EXPECT_EQ(growth.format, ReportFormat::kHtml);
  EXPECT_EQ(growth.by, RankedBy::kGroup);
  EXPECT_EQ(ParseCommandLine({"growth"}).top, 0u);  // every change

  const CommandLine prune =
      ParseCommandLine({"history", "--prune", "1y", "--keep", "30"});
  EXPECT_EQ(prune.prune, std::optional<std::int64_t>(365 * 86400));
  EXPECT_EQ(prune.keep, std::optional<std::uint64_t>(30));
  EXPECT_FALSE(ParseCommandLine({"history"}).prune);
}

TEST(ParseCommandLineTest, HelpIsTheAskedCommandsOwn) {
  EXPECT_EQ(ParseCommandLine({"--help"}).help, HelpText(""));
  EXPECT_EQ(ParseCommandLine({"report", "-h"}).help, HelpText("report"));
  EXPECT_EQ(ParseCommandLine({"help", "drives"}).help, HelpText("drives"));
  EXPECT_NE(HelpText("report"), HelpText(""));
  // Which help it is, told without comparing texts.
  EXPECT_EQ(ParseCommandLine({"--help"}).help_topic, "");
  EXPECT_EQ(ParseCommandLine({"help"}).help_topic, "");
  EXPECT_EQ(ParseCommandLine({"report", "-h"}).help_topic, "report");
  EXPECT_EQ(ParseCommandLine({"help", "drives"}).help_topic, "drives");
}

// A manual's line without font changes, quotes and \- for a hyphen.
std::string PlainRoff(const std::string& line) {
  std::string plain;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 'f') {
      i += 2;  // \fB, \fI, \fR, \fP
    } else if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '-') {
      plain += '-';
      ++i;
    } else if (line[i] != '"') {
      plain += line[i];
    }
  }
  return plain;
}

// The manual's plain text by section ("OPTIONS") and subsection
// ("OPTIONS/ovik report"), without requests and font changes.
std::map<std::string, std::string> ReadManual(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in) << path;
  std::map<std::string, std::string> sections;
  std::string section, subsection, line;
  while (std::getline(in, line)) {
    line = PlainRoff(line);
    if (line.rfind(".SH ", 0) == 0) {
      section = line.substr(4);
      subsection.clear();
      continue;
    }
    if (line.rfind(".SS ", 0) == 0) {
      subsection = line.substr(4);
      continue;
    }
    if (!line.empty() && line[0] == '.') {
      const auto space = line.find(' ');
      line = space == std::string::npos ? "" : line.substr(space + 1);
    }
    sections[section] += line + "\n";
    if (!subsection.empty()) sections[section + "/" + subsection] += line + "\n";
  }
  return sections;
}

// The words of |text|: runs of letters, digits, _ and -, so "-h,--help"
// holds -h and --help.
std::set<std::string> Words(const std::string& text) {
  std::set<std::string> words;
  std::string word;
  for (char c : text + " ") {
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-') {
      word += c;
    } else if (!word.empty()) {
      words.insert(word);
      word.clear();
    }
  }
  return words;
}

bool HasWord(const std::string& text, const std::string& word) {
  return Words(text).count(word) != 0;
}

// Options named in |text|: words such as -o and --output.
std::set<std::string> OptionsIn(const std::string& text) {
  std::set<std::string> options;
  for (const std::string& word : Words(text)) {
    const std::size_t name = word.find_first_not_of('-');
    if (name == 1 || name == 2) {
      if (std::isalpha(static_cast<unsigned char>(word[name]))) options.insert(word);
    }
  }
  return options;
}

// The words a bash completion script offers: its -W "..." lists and
// commands="...".
std::string OfferedWords(const std::string& script) {
  std::string offered;
  for (const std::string opening : {"-W \"", "commands=\""}) {
    for (auto at = script.find(opening); at != std::string::npos;
         at = script.find(opening, at + 1)) {
      const std::size_t begin = at + opening.size();
      offered += script.substr(begin, script.find('"', begin) - begin) + " ";
    }
  }
  return offered;
}

TEST(CommandLineInStepTest, HelpManualAndCompletionListWhatTheParserAccepts) {
  const auto manual = ReadManual(OVIK_DIST_DIR "/ovik.1.in");
  std::ifstream completion_file(OVIK_DIST_DIR "/ovik.bash-completion");
  const std::string completion = OfferedWords(
      std::string(std::istreambuf_iterator<char>(completion_file),
                  std::istreambuf_iterator<char>()));
  ASSERT_FALSE(completion.empty());
  const std::string program_help = HelpText("");

  std::set<std::string> described;
  std::size_t choices_seen = 0;
  for (const CommandSyntax& s : DescribeCommandLine()) {
    choices_seen += s.choices.size();
    const std::string name = s.command.empty() ? "ovik" : "ovik " + s.command;
    SCOPED_TRACE(name);
    described.insert("OPTIONS/" + name);
    const std::string help = HelpText(s.command);
    const std::string man_options = manual.count("OPTIONS/" + name)
                                        ? manual.at("OPTIONS/" + name)
                                        : "";
    EXPECT_NE(manual.at("SYNOPSIS").find(name), std::string::npos);
    if (!s.command.empty()) {
      EXPECT_TRUE(HasWord(manual.at("COMMANDS"), s.command));
      EXPECT_TRUE(HasWord(program_help, s.command));
      EXPECT_TRUE(HasWord(completion, s.command));
    }
    for (const std::string& argument : s.arguments) {
      EXPECT_TRUE(HasWord(help, argument)) << argument;
      EXPECT_TRUE(HasWord(manual.at("SYNOPSIS"), argument)) << argument;
    }
    for (const std::string& option : s.options) {
      EXPECT_TRUE(HasWord(help, option)) << option;
      EXPECT_TRUE(HasWord(man_options, option)) << option;
      EXPECT_TRUE(HasWord(completion, option)) << option;
    }
    // Each word an option takes, in the help, the manual and the words
    // the completion offers.
    for (const CommandSyntax::Choices& choices : s.choices) {
      for (const std::string& word : choices.words) {
        EXPECT_TRUE(HasWord(help, word)) << choices.option << " " << word;
        EXPECT_TRUE(HasWord(man_options, word)) << choices.option << " " << word;
        EXPECT_TRUE(HasWord(completion, word)) << choices.option << " " << word;
      }
    }
    // And the manual names no option the parser would refuse.
    for (const std::string& option : OptionsIn(man_options)) {
      EXPECT_NE(std::find(s.options.begin(), s.options.end(), option),
                s.options.end())
          << option << " is in the manual but not accepted";
    }
  }
  // report --format, --by, --method and --age-by, where --by, --method
  // and --age-by, growth --by and --format, history --format: the words
  // are read at all.
  EXPECT_EQ(choices_seen, 10u);
  for (const auto& [title, text] : manual) {
    if (title.rfind("OPTIONS/", 0) == 0) {
      EXPECT_TRUE(described.count(title)) << title << ": no such command";
    }
  }

  std::set<std::string> statuses;
  for (const ExitStatusText& s : ExitStatusTexts()) {
    const std::string status = std::to_string(s.status);
    statuses.insert(status);
    EXPECT_NE(program_help.find("\n  " + status + "  "), std::string::npos)
        << status;
    EXPECT_NE(manual.at("EXIT STATUS").find("\n" + status + "\n"),
              std::string::npos)
        << status;
  }
  std::istringstream lines(manual.at("EXIT STATUS"));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
      EXPECT_TRUE(statuses.count(line)) << "exit status " << line << " is unknown";
    }
  }
}

}  // namespace
}  // namespace ovik
