// What the terminal dialog makes of the terminal it starts on: the
// terminal's answer to the test print, the decision taken from it, TERM
// and the locale, and how each cell is then drawn.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <thread>

#include "ui/texts.h"
#include "ui/tui/display_mode.h"
#include "ui/tui/glyphs.h"
#include "ui/tui/terminal_probe.h"

namespace ovik::tui {
namespace {

TEST(CursorReportTest, FoundAfterTypedKeysAndNotBeforeItIsWhole) {
  const std::optional<CursorReport> report =
      FindCursorReport("ab\x1B[A\x1B[12;34Rxy");
  ASSERT_TRUE(report);
  EXPECT_EQ(report->row, 12);
  EXPECT_EQ(report->column, 34);
  EXPECT_EQ(report->end, 13u);
  EXPECT_EQ(FindCursorReport("\x1B[?3;7R")->column, 7);
  EXPECT_FALSE(FindCursorReport("\x1B[12;3"));
  EXPECT_FALSE(FindCursorReport("\x1B[0n"));  // another answer
  EXPECT_TRUE(EndsInPartialReport("x\x1B[12;"));
  EXPECT_TRUE(EndsInPartialReport("\x1B"));
  EXPECT_FALSE(EndsInPartialReport("\x1B[0n"));
  EXPECT_FALSE(EndsInPartialReport("abc"));
}

struct DecisionCase {
  const char* name;
  bool locale_utf8;
  const char* term;
  std::optional<int> probe_cells;
  bool utf8;
  bool wide;
  bool unicode_lines;
};

TEST(DisplayModeTest, DecidedByTheAnswerElseByTermAndLocale) {
  const DecisionCase cases[] = {
      {"answer: UTF-8 and wide", false, "xterm-256color", 3, true, true, true},
      {"answer: UTF-8 without wide", false, "xterm", 2, true, false, true},
      {"answer: single-byte", true, "xterm", 5, false, false, false},
      {"answer: cannot be read", true, "xterm", 1, false, false, false},
      {"answer wins over TERM", false, "vt100", 3, true, true, true},
      {"console, answering", false, "linux", 3, true, false, false},
      {"silent, UTF-8 locale", true, "screen", std::nullopt, true, true, true},
      {"silent, POSIX locale", false, "tmux", std::nullopt, false, false,
       false},
      {"silent serial terminal", true, "vt220", std::nullopt, false, false,
       false},
      {"silent console", true, "linux-16color", std::nullopt, true, false,
       false},
  };
  for (const DecisionCase& c : cases) {
    TerminalFacts facts;
    facts.locale_utf8 = c.locale_utf8;
    facts.term = c.term;
    facts.probe_cells = c.probe_cells;
    const DisplayMode mode = DecideDisplayMode(facts);
    EXPECT_EQ(mode.utf8, c.utf8) << c.name;
    EXPECT_EQ(mode.wide, c.wide) << c.name;
    EXPECT_EQ(mode.unicode_lines, c.unicode_lines) << c.name;
  }
}

TEST(DisplayModeTest, JapaneseTextsHaveEnglishOnesOnLesserTerminals) {
  const DisplayMode narrow{true, false, true};
  EXPECT_EQ(ForDisplay(text::kAboutCaption, DisplayMode{}),
            text::kAboutCaption);
  EXPECT_EQ(ForDisplay(text::kAboutCaption, narrow), "About Ovik for NT..");
  EXPECT_EQ(ForDisplay(text::kErrorOccurred, kSingleByteMode),
            "An error occurred.");
  EXPECT_EQ(ForDisplay("山田", kSingleByteMode), "山田");  // not a fixed text
  for (const text::AsciiFallback& fallback : text::kAsciiFallbacks) {
    for (char c : fallback.ascii) {
      EXPECT_GE(c, 0x20) << fallback.ascii;
      EXPECT_LT(c, 0x7F) << fallback.ascii;
    }
  }
}

TEST(GlyphTest, EachCellAsTheTerminalCanShowIt) {
  const auto latin1 = [](char32_t c) { return c < 0x100; };
  const auto all = [](char32_t) { return true; };
  const auto none = [](char32_t) { return false; };
  const DisplayMode narrow{true, false, true};
  const DisplayMode console{true, false, false};

  EXPECT_EQ(GlyphFor(U'─', DisplayMode{}, all).line, LineGlyph::kNone);
  EXPECT_EQ(GlyphFor(U'─', DisplayMode{}, all).ch, U'─');
  EXPECT_EQ(GlyphFor(U'┘', console, all).line, LineGlyph::kLowerRight);
  EXPECT_EQ(GlyphFor(U'█', kSingleByteMode, none).line, LineGlyph::kBlock);

  EXPECT_EQ(GlyphFor(U'山', DisplayMode{}, all).ch, U'山');
  EXPECT_EQ(GlyphFor(U'山', narrow, all).ch, U'?');
  EXPECT_EQ(GlyphFor(U'山', kSingleByteMode, latin1).ch, U'?');
  EXPECT_EQ(GlyphFor(U'é', kSingleByteMode, latin1).ch, U'é');
  EXPECT_EQ(GlyphFor(U'é', kSingleByteMode, none).ch, U'?');
  EXPECT_EQ(GlyphFor(U'\u0085', DisplayMode{}, all).ch, U'?');  // C1
  EXPECT_EQ(GlyphFor(U'\x1B', DisplayMode{}, all).ch, U'?');
  EXPECT_EQ(GlyphFor(U'a', kSingleByteMode, none).ch, U'a');
}

// A pseudo-terminal whose far end plays the terminal.
class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave_, 0);
    ASSERT_EQ(tcgetattr(slave_, &before_), 0);
  }
  void TearDown() override {
    close(slave_);
    close(master_);
  }

  // Reads what the program wrote until |text| has come or 2 s passed.
  std::string ReadUntil(std::string_view text) {
    std::string got;
    while (got.find(text) == std::string::npos) {
      pollfd ready{master_, POLLIN, 0};
      if (poll(&ready, 1, 2000) <= 0) break;
      char buffer[256];
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

  void ExpectModesRestored() {
    termios after;
    ASSERT_EQ(tcgetattr(slave_, &after), 0);
    EXPECT_EQ(after.c_lflag, before_.c_lflag);
    EXPECT_EQ(after.c_cc[VMIN], before_.c_cc[VMIN]);
  }

  int master_ = -1;
  int slave_ = -1;
  termios before_{};
};

TEST_F(ProbeTest, TakesTheAnswerFromTheInputAndBlanksTheLine) {
  std::string written;
  std::thread terminal([this, &written] {
    written = ReadUntil("\x1B[6n");
    // A key typed before the answer comes first.
    const std::string answer = "k\x1B[7;4R";
    EXPECT_EQ(write(master_, answer.data(), answer.size()),
              static_cast<ssize_t>(answer.size()));
  });
  const std::optional<int> cells =
      ProbeCells(slave_, slave_, kProbeText, "\x1B[6n", 2000);
  terminal.join();
  EXPECT_EQ(cells, 3);
  EXPECT_EQ(written, "\r" + std::string(kProbeText) + "\x1B[6n");
  EXPECT_NE(ReadUntil("\r     \r").find("\r     \r"), std::string::npos);
  ExpectModesRestored();
  pollfd ready{slave_, POLLIN, 0};
  EXPECT_EQ(poll(&ready, 1, 0), 0) << "the answer was left in the input";
}

TEST_F(ProbeTest, NoAnswerGivesNoneAndLeavesTheTerminalAsItWas) {
  const std::optional<int> cells =
      ProbeCells(slave_, slave_, kProbeText, "\x1B[6n", 50);
  EXPECT_FALSE(cells);
  ExpectModesRestored();
  // A cut-off answer is dropped with whatever followed it in time.
  std::thread terminal([this] {
    ReadUntil("\x1B[6n");
    EXPECT_EQ(write(master_, "\x1B[7;", 4), 4);
  });
  EXPECT_FALSE(ProbeCells(slave_, slave_, kProbeText, "\x1B[6n", 300));
  terminal.join();
  ExpectModesRestored();
  pollfd ready{slave_, POLLIN, 0};
  EXPECT_EQ(poll(&ready, 1, 0), 0);
}

}  // namespace
}  // namespace ovik::tui
