// Asking the terminal, before curses takes it over, how many cells a
// test print took: it prints at the start of the line, then asks where
// the cursor went (a cursor position report).
#ifndef OVIK_HOSTS_TERMINAL_TERMINAL_PROBE_H_
#define OVIK_HOSTS_TERMINAL_TERMINAL_PROBE_H_

#include <cstddef>
#include <optional>
#include <string_view>

namespace ovik::tui {

// A cursor position report, "ESC [ row ; column R", found in what the
// terminal sent; |end| is the offset just after it.
struct CursorReport {
  int row = 0;
  int column = 0;
  std::size_t end = 0;
};

// The first complete report in |input|; whatever comes before it (keys
// typed meanwhile) is passed over.
std::optional<CursorReport> FindCursorReport(std::string_view input);

// Whether |input| ends in what may be the start of a report.
bool EndsInPartialReport(std::string_view input);

// Prints |text| at the start of the current line of the terminal on
// |in_fd| and |out_fd|, sends |request| (the terminal's way of asking for
// a report) and returns the cells the print took. None when no answer
// came within |timeout_ms| (a started answer gets that time once more).
// The line is blanked again, the terminal's modes are restored, and the
// answer does not stay in the input.
std::optional<int> ProbeCells(int in_fd, int out_fd, std::string_view text,
                              std::string_view request, int timeout_ms);

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_TERMINAL_PROBE_H_
