// Browsing where one owner's (or group's) bytes are, one directory at a
// time, from the directories a Find kept: the rows of the directory
// listed, largest first, a mark on one of them, going into the marked
// directory and back out. No drawing here; the directory box draws it.
//
// A subdirectory that holds nothing but what one of its own
// subdirectories holds (a chain of directories holding the same bytes)
// is listed as the whole chain, "a/b/c/", and going into it goes to its
// end: there is nothing to choose on the way down. Going back goes to
// the directory listed before, with the mark where it was.
#ifndef OVIK_HOSTS_TERMINAL_DIRECTORY_BROWSER_H_
#define OVIK_HOSTS_TERMINAL_DIRECTORY_BROWSER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "scan/directory_usage.h"
#include "scan/owner_directories.h"
#include "scan/owner_table.h"
#include "scan/ranked_by.h"

namespace ovik::tui {

class DirectoryBrowser {
 public:
  struct Row {
    // Where going into the row leads; kNoDirectoryIndex for the row of
    // the files in the listed directory itself.
    DirectoryIndex directory = kNoDirectoryIndex;
    std::uint64_t bytes = 0;  // the owner's, everything below included
    // Below the listed directory, '/' at the end, shown safely; empty for
    // the files' row.
    std::string name;
  };

  // Starts at the walk's root. |usage| must hold the kind |by| and
  // outlive this object; |owner| is a record of the table ranked by |by|.
  DirectoryBrowser(const DirectoryUsage& usage, RankedBy by, OwnerIndex owner);
  DirectoryBrowser(const DirectoryBrowser&) = delete;
  DirectoryBrowser& operator=(const DirectoryBrowser&) = delete;

  DirectoryIndex listed() const { return levels_.back().directory; }
  // The directory listed, below the root ('/'-separated, shown safely).
  std::string ListedPath() const;
  const std::vector<Row>& rows() const { return levels_.back().rows; }
  // The owner's bytes under the listed directory and under the root.
  std::uint64_t ListedBytes() const { return owner_.Bytes(listed()); }
  std::uint64_t total() const { return owner_.total(); }
  // Whether the files' row of the listed directory holds directories the
  // memory budget left unrecorded.
  bool ListedHoldsFolded() const { return usage_.HoldsFolded(listed()); }

  // The marked row, and the first row in view (kept by the box).
  int marked() const { return levels_.back().marked; }
  int top() const { return levels_.back().top; }
  // Held within the rows.
  void Mark(int row);
  void set_top(int top) { levels_.back().top = top; }

  // Lists the marked row's directory; false when it is the files' row.
  bool Enter();
  // Lists the directory listed before; false at the root.
  bool Back();

 private:
  struct Level {
    DirectoryIndex directory = kRootDirectory;
    std::vector<Row> rows;
    int marked = 0;
    int top = 0;
  };

  Level List(DirectoryIndex directory) const;
  // The names from below |from| down to |to|, each followed by '/'.
  std::string NameBelow(DirectoryIndex from, DirectoryIndex to) const;

  const DirectoryUsage& usage_;
  OwnerDirectories owner_;
  std::vector<Level> levels_;
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_DIRECTORY_BROWSER_H_
