// A terminal that types from a script, for tests that run the terminal
// dialog whole without a terminal.
#ifndef OVIK_TESTS_TUI_SCRIPTED_SCREEN_H_
#define OVIK_TESTS_TUI_SCRIPTED_SCREEN_H_

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "hosts/terminal/screen.h"

namespace ovik::tui {

inline Key Char(char32_t c, bool alt = false) {
  Key key;
  key.code = KeyCode::kChar;
  key.ch = c;
  key.alt = alt;
  return key;
}

inline Key Code(KeyCode code) {
  Key key;
  key.code = code;
  return key;
}

// A terminal of 80 x 24 that types from a script: each step sees what is
// shown and gives the next key, or nothing while it waits for something
// to appear. After the last step (or far too long a wait) it types
// Ctrl-C.
class ScriptedScreen : public Screen {
 public:
  using Step = std::function<std::optional<Key>(const std::string& shown)>;

  void Then(Step step) { steps_.push_back(std::move(step)); }
  // |key| once |text| is on the screen.
  void When(std::string text, Key key) {
    Then([text, key](const std::string& shown) -> std::optional<Key> {
      if (shown.find(text) == std::string::npos) return std::nullopt;
      return key;
    });
  }

  void Size(int* cols, int* rows) const override {
    *cols = 80;
    *rows = 24;
  }
  DisplayMode Mode() const override { return mode_; }
  void set_mode(const DisplayMode& mode) { mode_ = mode; }
  void Show(const Canvas& canvas, CursorPos /*cursor*/) override {
    shown_ = canvas.Text();
    canvas_ = canvas;
  }
  Key Read(int /*timeout_ms*/) override {
    if (!steps_.empty() && ++reads_ < kGiveUpAfter) {
      if (std::optional<Key> key = steps_.front()(shown_)) {
        steps_.pop_front();
        return *key;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return Key{};
    }
    EXPECT_TRUE(steps_.empty()) << "stuck; the screen shows:\n" << shown_;
    return Code(KeyCode::kInterrupt);
  }
  bool InputLost() const override { return false; }
  void Beep() override { ++beeps_; }

  int beeps() const { return beeps_; }
  // What was shown last.
  const Canvas& canvas() const { return canvas_; }

 private:
  static constexpr int kGiveUpAfter = 20000;
  std::deque<Step> steps_;
  std::string shown_;
  Canvas canvas_{80, 24};
  DisplayMode mode_;
  int reads_ = 0;
  int beeps_ = 0;
};

}  // namespace ovik::tui

#endif  // OVIK_TESTS_TUI_SCRIPTED_SCREEN_H_
