#include "hosts/terminal/terminal_probe.h"

#include <errno.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace ovik::tui {
namespace {

constexpr char kEscape = '\x1B';
// Longer than any report a terminal sends ("ESC [ 9999 ; 9999 R").
constexpr std::size_t kLongestReport = 16;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the number at |*pos| into |*value|, moving past it.
bool ReadNumber(std::string_view s, std::size_t* pos, int* value) {
  const std::size_t start = *pos;
  int n = 0;
  while (*pos < s.size() && IsDigit(s[*pos]) && *pos - start < 5) {
    n = n * 10 + (s[*pos] - '0');
    ++*pos;
  }
  *value = n;
  return *pos > start;
}

// A report starting at |at|: "ESC [ row ; column R", where some
// terminals put a '?' after the '['.
std::optional<CursorReport> ReportAt(std::string_view s, std::size_t at) {
  std::size_t pos = at + 1;
  if (pos >= s.size() || s[pos] != '[') return std::nullopt;
  ++pos;
  if (pos < s.size() && s[pos] == '?') ++pos;
  CursorReport report;
  if (!ReadNumber(s, &pos, &report.row)) return std::nullopt;
  if (pos >= s.size() || s[pos] != ';') return std::nullopt;
  ++pos;
  if (!ReadNumber(s, &pos, &report.column)) return std::nullopt;
  if (pos >= s.size() || s[pos] != 'R') return std::nullopt;
  report.end = pos + 1;
  return report;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Reads from |fd| until a report is complete or the time is up.
std::optional<CursorReport> AwaitReport(int fd, int timeout_ms,
                                        std::string* input) {
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  bool extended = false;
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - Clock::now());
    if (left.count() <= 0 && !extended && EndsInPartialReport(*input)) {
      deadline += std::chrono::milliseconds(timeout_ms);
      extended = true;
      continue;
    }
    if (left.count() <= 0) return std::nullopt;
    pollfd ready{fd, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled == 0) continue;
    if (!(ready.revents & POLLIN)) return std::nullopt;  // hung up
    char buffer[64];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return std::nullopt;
    input->append(buffer, static_cast<std::size_t>(n));
    if (std::optional<CursorReport> report = FindCursorReport(*input)) {
      return report;
    }
  }
}

}  // namespace

std::optional<CursorReport> FindCursorReport(std::string_view input) {
  for (std::size_t at = input.find(kEscape); at != std::string_view::npos;
       at = input.find(kEscape, at + 1)) {
    if (std::optional<CursorReport> report = ReportAt(input, at)) {
      return report;
    }
  }
  return std::nullopt;
}

bool EndsInPartialReport(std::string_view input) {
  const std::size_t at = input.rfind(kEscape);
  if (at == std::string_view::npos) return false;
  const std::string_view tail = input.substr(at + 1);
  if (tail.size() > kLongestReport) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    const char c = tail[i];
    const bool fits = (i == 0 && c == '[') || (i == 1 && c == '?') ||
                      (i > 0 && (IsDigit(c) || c == ';'));
    if (!fits) return false;
  }
  return true;
}

std::optional<int> ProbeCells(int in_fd, int out_fd, std::string_view text,
                              std::string_view request, int timeout_ms) {
  termios saved;
  if (tcgetattr(in_fd, &saved) != 0) return std::nullopt;
  termios quiet = saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  quiet.c_cc[VMIN] = 0;
  quiet.c_cc[VTIME] = 0;
  if (tcsetattr(in_fd, TCSANOW, &quiet) != 0) return std::nullopt;

  std::string out = "\r";
  out += text;
  out += request;
  std::optional<CursorReport> report;
  std::string input;
  if (WriteAll(out_fd, out)) report = AwaitReport(in_fd, timeout_ms, &input);
  // One blank for each byte: as many cells as the print can have taken.
  WriteAll(out_fd, "\r" + std::string(text.size(), ' ') + "\r");
  // The rest of an answer cut off by the time limit is dropped with it.
  if (!report && EndsInPartialReport(input)) tcflush(in_fd, TCIFLUSH);
  tcsetattr(in_fd, TCSANOW, &saved);
  if (!report || report->column < 1) return std::nullopt;
  return report->column - 1;
}

}  // namespace ovik::tui
