// Where one owner's (or group's) bytes are, over the whole screen: the
// directory listed, its share of the owner's total, and its rows, each
// with its size, share, a bar and its name. Up, Down, PgUp, PgDn, Home
// and End move the mark (the list scrolls to keep it in view); Enter,
// Right or a click goes into a directory, Backspace or Left back out,
// Esc closes the box.
#ifndef OVIK_HOSTS_TERMINAL_DIRECTORY_BOX_H_
#define OVIK_HOSTS_TERMINAL_DIRECTORY_BOX_H_

#include <string>

#include "scan/directory_usage.h"
#include "scan/ranked_by.h"
#include "scan/ranking.h"
#include "hosts/terminal/canvas.h"
#include "hosts/terminal/directory_browser.h"
#include "hosts/terminal/display_mode.h"
#include "hosts/terminal/keys.h"
#include "hosts/terminal/modal_box.h"

namespace ovik::tui {

class DirectoryBox {
 public:
  // The directories of |owner|, a row of the ranking by |by|, below
  // |root|, the directory the Find walked. |usage| must hold the kind
  // |by| and outlive the box.
  DirectoryBox(const DirectoryUsage& usage, RankedBy by,
               const RankedOwner& owner, std::string root,
               const DisplayMode& mode);

  CursorPos Render(Canvas* canvas) const;
  BoxStep Handle(const Key& key, int cols, int rows);

  const DirectoryBrowser& browser() const { return browser_; }

 private:
  // Keeps the mark in view of a list |shown| rows high.
  void Scroll(int shown);
  std::string Heading() const;
  void DrawRow(const DirectoryBrowser::Row& row, int x, int y, int width,
               Canvas* canvas) const;

  const DirectoryUsage& usage_;
  DirectoryBrowser browser_;
  std::string caption_;
  std::string root_;
  bool blocks_;
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_DIRECTORY_BOX_H_
