#include "cluster/termination.h"

namespace ovik {

std::optional<Token> Termination::Dry() {
  if (over_) return std::nullopt;
  if (rank_ != 0) {
    if (!token_) return std::nullopt;
    Token token = *token_;
    token_.reset();
    token.count += count_;
    token.black = token.black || black_;
    black_ = false;
    return token;
  }
  if (token_) {
    const Token back = *token_;
    token_.reset();
    round_running_ = false;
    if (!back.black && !black_ && back.count + count_ == 0) {
      over_ = true;
      return std::nullopt;
    }
  }
  if (round_running_) return std::nullopt;
  if (ranks_ == 1) {
    // Alone: nothing can be on its way.
    over_ = true;
    return std::nullopt;
  }
  black_ = false;
  round_running_ = true;
  return Token{};
}

}  // namespace ovik
