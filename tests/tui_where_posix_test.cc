// Where the bytes are, in the terminal dialog: the ranking's rows with
// their bars, the switch to groups, and each owner's directories browsed
// from the last Find, on trees the tests build.
#include <gtest/gtest.h>

#include <signal.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "scan/scan.h"
#include "tests/fake_filesystem.h"
#include "tests/fake_volume_source.h"
#include "tests/tui_scripted_screen.h"
#include "hosts/terminal/bar.h"
#include "hosts/terminal/directory_box.h"
#include "hosts/terminal/layout.h"
#include "hosts/terminal/terminal_app.h"

namespace ovik::tui {
namespace {

// Rows |first| to |last| of |shown|.
std::vector<std::string> Lines(const std::string& shown, int first, int last) {
  std::vector<std::string> lines;
  std::istringstream in(shown);
  std::string line;
  for (int y = 0; std::getline(in, line) && y <= last; ++y) {
    if (y >= first) lines.push_back(line);
  }
  return lines;
}

// Whether row |y| of |canvas| is marked from column |x| on.
bool Marked(const Canvas& canvas, int x, int y) {
  return (canvas.at(x, y).attr & kReverse) != 0;
}

TEST(BarTest, EighthsOfACellOrWholeCellsOfHashes) {
  struct Case {
    std::uint64_t value, largest;
    int width;
    bool blocks;
    std::string bar;
  };
  const Case cases[] = {
      {360, 360, 4, true, "████"},   {300, 360, 15, true, "████████████▌"},
      {20, 360, 15, true, "▉"},      {1, 1000, 15, true, ""},
      {300, 360, 15, false, "#############"},
      {5, 0, 15, true, ""},          {900, 360, 3, false, "###"},
      {~0ull, ~0ull, 2, true, "██"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BarText(c.value, c.largest, c.width, c.blocks), c.bar)
        << c.value << "/" << c.largest << " in " << c.width;
  }
}

class WhereTest : public ::testing::Test {
 protected:
  WhereTest() {
    fs_.SetAccount("1", "alice");
    fs_.SetAccount("2", "bob");
    fs_.SetGroup("10", "staff");
    fs_.SetGroup("20", "users");
    File("home/alice/proj/src/main.c", "1", "10", 360);
    File("home/alice/notes", "1", "10", 60);
    File("srv/www/a/index", "1", "20", 200);
    File("srv/www/b/page", "1", "10", 100);
    File("top", "1", "10", 20);
    File("home/bob/x", "2", "20", 250);
    volumes_.SetOwnerFileSystems({"ext4"});
    volumes_.Add({.root = "/", .file_system = "ext4",
                  .space = FakeSpace(1024, 4096, 10240)});  // 10,240 KB
  }

  void File(const std::string& path, const std::string& owner,
            const std::string& group, std::uint64_t kb) {
    fs_.AddFile(path, owner, kb * 1024)->group = group;
  }

  // Runs the dialog through the script given to screen_.
  void Run() {
    TerminalApp app(screen_, [] { return 0; }, fs_, volumes_,
                    [] { return std::string("/work"); });
    EXPECT_EQ(app.Run({"/"}), 128 + SIGINT);
  }

  // The step that checks rows |first| to |last| once |text| is shown,
  // then types |key|.
  void Expect(std::string text, int first, std::vector<std::string> rows,
              Key key) {
    screen_.Then([this, text, first, rows, key](const std::string& shown)
                     -> std::optional<Key> {
      if (shown.find(text) == std::string::npos) return std::nullopt;
      EXPECT_EQ(Lines(shown, first, first + static_cast<int>(rows.size()) - 1),
                rows);
      return key;
    });
  }

  FakeFileSystem fs_;
  FakeVolumeSource volumes_;
  ScriptedScreen screen_;
};

TEST_F(WhereTest, DrillsDownAndBackWithTheMarkKeptThenRanksGroups) {
  screen_.When("User Name No1", Char(U'f'));
  screen_.When("Scanned ", Code(KeyCode::kDown));  // to the ranking's rows
  // Bars scaled to the largest owner, the first row marked.
  Expect("Up/Down:Row", 12,
         {"│  ┌─Ranking No.1 - No.5───────────────────────────────────────────────────┐   │",
          "│  │ alice                        740KB  7.2266%    ██████████████████████ │   │",
          "│  │ bob                          250KB  2.4414%    ███████▍               │   │",
          "│  │ root                           0KB  0.0000%                           │   │",
          "│  │                                                                       │   │"},
         Code(KeyCode::kEnter));
  // The root's rows: a chain (srv/www) is listed whole; the root's own
  // files after the directories.
  Expect("Directories of alice", 0,
         {"┌──────────────────────────── Directories of alice ────────────────────────────┐",
          "│ In: /                                                                        │",
          "│ Here: 740 KB of 740 KB (100.0000%)                                           │",
          "│ ──────────────────────────────────────────────────────────────────────────── │",
          "│  420KB   56.7568%  ███████████████  home/alice/                              │",
          "│  300KB   40.5405%  ██████████▊      srv/www/                                 │",
          "│   20KB    2.7027%  ▊                (files in this directory)                │",
          "│                                                                              │"},
         Code(KeyCode::kDown));
  screen_.Then([](const std::string&) { return Code(KeyCode::kEnter); });
  Expect("In: /srv/www", 1,
         {"│ In: /srv/www                                                                 │",
          "│ Here: 300 KB of 740 KB (40.5405%)                                            │",
          "│ ──────────────────────────────────────────────────────────────────────────── │",
          "│  200KB   27.0270%  ███████████████  a/                                       │",
          "│  100KB   13.5135%  ███████▌         b/                                       │",
          "│                                                                              │"},
         Code(KeyCode::kLeft));
  // Back at the root with the mark on the directory it came from.
  screen_.Then([this](const std::string& shown) -> std::optional<Key> {
    if (shown.find("In: / ") == std::string::npos) return std::nullopt;
    EXPECT_FALSE(Marked(screen_.canvas(), 2, 4));
    EXPECT_TRUE(Marked(screen_.canvas(), 2, 5));
    return Code(KeyCode::kEscape);
  });
  screen_.When("Enter:Directories", Char(U'g'));
  Expect("by group", 12,
         {"│  ┌─Ranking No.1 - No.5 by group──────────────────────────────────────────┐   │",
          "│  │ staff                        540KB  5.2734%    ██████████████████████ │   │",
          "│  │ users                        450KB  4.3945%    ██████████████████▍    │   │",
          "│  │                                                                       │   │"},
         Code(KeyCode::kDown));
  // The mark moved to the second row; Enter opens that group.
  Expect("G:Owners", 22,
         {"│ Up/Down:Row  Left/Right:Page  Enter:Directories  G:Owners  Ctrl-C:Quit       │"},
         Code(KeyCode::kEnter));
  Expect("Directories of group users", 4,
         {"│  250KB   55.5556%  ███████████████  home/bob/                                │",
          "│  200KB   44.4444%  ████████████     srv/www/a/                               │"},
         Code(KeyCode::kBackspace));  // at the top: refused
  screen_.When("Directories of group users", Code(KeyCode::kEscape));
  screen_.When("G:Owners", Code(KeyCode::kInterrupt));
  Run();
  EXPECT_EQ(screen_.beeps(), 1);
}

TEST_F(WhereTest, AClickOnARowOpensItAndBarsAreHashesWithoutBlocks) {
  screen_.set_mode(kSingleByteMode);
  screen_.When("User Name No1", Char(U'f'));
  Expect("Scanned ", 14,
         {"│  │ bob                          250KB  2.4414%    #######                │   │"},
         Key{});
  const Rect bob = RankingRowRect(LayoutMainDialog(80, 24), 1);
  Key click = Code(KeyCode::kMouse);
  click.x = bob.x + 2;
  click.y = bob.y;
  screen_.When("Scanned ", click);
  Expect("Directories of bob", 4,
         {"│  250KB  100.0000%  ###############  home/bob/                                │"},
         Code(KeyCode::kEscape));
  screen_.When("Up/Down:Row", Code(KeyCode::kInterrupt));
  Run();
  EXPECT_EQ(screen_.beeps(), 0);
}

// Many directories, more than the list shows, and a memory budget too
// small for all of them.
TEST(DirectoryBoxTest, ScrollsLongListsAndSaysWhereTheGrainIsCoarser) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  for (int i = 0; i < 40; ++i) {
    fs.AddFile("d" + std::to_string(100 + i) + "/deep/a/b/c/f", "1",
               static_cast<std::uint64_t>(1000 - i) * 1024);
  }
  const ScanResult result =
      RunScan(fs, "/srv", {.threads = 1, .keep_directories = true,
                           .directory_budget = 7800});
  ASSERT_TRUE(result.ok());
  ASSERT_GT(result.directories.folded_directories(), 0u);
  DirectoryBox box(result.directories, RankedBy::kOwner, result.ranking[0],
                   "/srv", DisplayMode{});
  Canvas canvas(80, 24);
  box.Render(&canvas);
  // The deeper levels are counted in the subdirectories of the root.
  EXPECT_FALSE(box.browser().ListedHoldsFolded());
  EXPECT_EQ(canvas.RowText(21).find(
                "│ Memory budget reached: " +
                std::to_string(result.directories.folded_directories()) +
                " directories counted in one above them.  "),
            0u);

  // The list follows the mark: End shows the last rows, PgUp a page up.
  // Every figure still adds up, the folded ones in the files' rows.
  EXPECT_EQ(box.Handle(Code(KeyCode::kEnd), 80, 24), BoxStep::kOpen);
  std::uint64_t listed = 0;
  for (const DirectoryBrowser::Row& row : box.browser().rows()) {
    listed += row.bytes;
  }
  EXPECT_EQ(listed, box.browser().total());
  const int count = static_cast<int>(box.browser().rows().size());
  box.Render(&canvas);
  EXPECT_NE(canvas.RowText(3).find(" " + std::to_string(count - 16) + "-" +
                                   std::to_string(count) + " of " +
                                   std::to_string(count) + " "),
            std::string::npos)
      << canvas.RowText(3);
  EXPECT_TRUE(Marked(canvas, 2, 20));
  box.Handle(Code(KeyCode::kPageUp), 80, 24);
  EXPECT_EQ(box.browser().marked(), count - 1 - 17);
  box.Handle(Code(KeyCode::kHome), 80, 24);
  box.Render(&canvas);
  EXPECT_NE(canvas.RowText(3).find(" 1-17 of "), std::string::npos);
  // Each of them holds the directories left unrecorded, and says so.
  box.Handle(Code(KeyCode::kEnter), 80, 24);
  box.Render(&canvas);
  ASSERT_TRUE(box.browser().ListedHoldsFolded());
  EXPECT_NE(canvas.RowText(4).find("(files here and unlisted subdirectories)"),
            std::string::npos)
      << canvas.Text();
}

}  // namespace
}  // namespace ovik::tui
