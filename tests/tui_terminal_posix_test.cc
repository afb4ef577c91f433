// What the terminal dialog makes of the terminal it starts on: the
// answer to the test print, the decision taken from it, TERM and the
// locale, and how each cell is then drawn.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <thread>

#include "dialog/texts.h"
#include "hosts/terminal/display_mode.h"
#include "hosts/terminal/glyphs.h"
#include "hosts/terminal/terminal_probe.h"

namespace ovik::tui {
namespace {

TEST(DisplayModeTest, DecidedByTheAnswerElseByTermAndLocale) {
  struct Case {
    bool locale_utf8;
    const char* term;
    std::optional<int> cells;
    DisplayMode mode;
  };
  const DisplayMode full;
  const DisplayMode narrow{true, false, true};
  const DisplayMode console{true, false, false};
  const Case cases[] = {
      {false, "xterm-256color", 3, full},  {false, "xterm", 2, narrow},
      {true, "xterm", 5, kSingleByteMode}, {true, "xterm", 1, kSingleByteMode},
      {false, "vt100", 3, full},           {false, "linux", 3, console},
      {true, "screen", {}, full},          {false, "tmux", {}, kSingleByteMode},
      {true, "vt220", {}, kSingleByteMode}, {true, "linux-16color", {}, console},
  };
  for (const Case& c : cases) {
    const DisplayMode mode = DecideDisplayMode({c.locale_utf8, c.term, c.cells});
    const std::string name =
        std::string(c.term) + " " + (c.cells ? std::to_string(*c.cells) : "-");
    EXPECT_EQ(mode.utf8, c.mode.utf8) << name;
    EXPECT_EQ(mode.wide, c.mode.wide) << name;
    EXPECT_EQ(mode.unicode_lines, c.mode.unicode_lines) << name;
  }
  EXPECT_EQ(ForDisplay(text::kAboutCaption, full), text::kAboutCaption);
  EXPECT_EQ(ForDisplay(text::kAboutCaption, narrow), "About Ovik for NT..");
  EXPECT_EQ(ForDisplay("山田", kSingleByteMode), "山田");  // not a fixed text
}

TEST(GlyphTest, EachCellAsTheTerminalCanShowIt) {
  const auto latin1 = [](char32_t c) { return c < 0x100; };
  const auto all = [](char32_t) { return true; };
  const DisplayMode narrow{true, false, true};
  EXPECT_EQ(GlyphFor(U'─', DisplayMode{}, all).line, LineGlyph::kNone);
  EXPECT_EQ(GlyphFor(U'┘', kSingleByteMode, latin1).line,
            LineGlyph::kLowerRight);
  EXPECT_EQ(GlyphFor(U'山', DisplayMode{}, all).ch, U'山');
  EXPECT_EQ(GlyphFor(U'山', narrow, all).ch, U'?');
  EXPECT_EQ(GlyphFor(U'é', kSingleByteMode, latin1).ch, U'é');
  EXPECT_EQ(GlyphFor(U'ő', kSingleByteMode, latin1).ch, U'?');
  EXPECT_EQ(GlyphFor(U'\u0085', kSingleByteMode, latin1).ch, U'?');  // C1
}

// A pseudo-terminal whose far end plays the terminal.
class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_) | unlockpt(master_), 0);
    slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave_, 0);
    ASSERT_EQ(tcgetattr(slave_, &before_), 0);
  }
  void TearDown() override {
    close(slave_);
    close(master_);
  }

  // What the program wrote, until |text| came or 2 s passed.
  std::string ReadUntil(std::string_view text) {
    std::string got;
    pollfd ready{master_, POLLIN, 0};
    char buffer[256];
    ssize_t n = 0;
    while (got.find(text) == std::string::npos && poll(&ready, 1, 2000) > 0 &&
           (n = read(master_, buffer, sizeof buffer)) > 0) {
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

  // The terminal's modes are as before and nothing is left to read.
  void ExpectLeftAsItWas() {
    termios after;
    ASSERT_EQ(tcgetattr(slave_, &after), 0);
    EXPECT_EQ(after.c_lflag, before_.c_lflag);
    pollfd ready{slave_, POLLIN, 0};
    EXPECT_EQ(poll(&ready, 1, 0), 0) << "input left behind";
  }

  // Probes while the terminal answers |answer| to the question.
  std::optional<int> Probe(std::string answer, int timeout_ms) {
    std::thread terminal([this, answer] {
      written_ = ReadUntil("\x1B[6n");
      EXPECT_EQ(write(master_, answer.data(), answer.size()),
                static_cast<ssize_t>(answer.size()));
    });
    std::optional<int> cells =
        ProbeCells(slave_, slave_, kProbeText, "\x1B[6n", timeout_ms);
    terminal.join();
    return cells;
  }

  int master_ = -1;
  int slave_ = -1;
  termios before_{};
  std::string written_;
};

TEST_F(ProbeTest, TakesTheAnswerFromTheInputAndBlanksTheLine) {
  EXPECT_EQ(Probe("k\x1B[7;4R", 2000), 3);  // a key typed before it
  EXPECT_EQ(written_, "\r" + std::string(kProbeText) + "\x1B[6n");
  EXPECT_NE(ReadUntil("\r     \r").find("\r     \r"), std::string::npos);
  ExpectLeftAsItWas();
}

TEST_F(ProbeTest, NoAnswerOrACutOffOneGivesNone) {
  EXPECT_FALSE(Probe("", 50));
  ExpectLeftAsItWas();
  EXPECT_FALSE(Probe("\x1B[7;", 300));
  ExpectLeftAsItWas();
}

}  // namespace
}  // namespace ovik::tui
