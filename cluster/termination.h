// Telling when a walk spread over processes is over: when no process has
// work left and none is on its way from one process to another. Work
// moves only in messages, so each process counts the work messages it
// sent less those it received, and a token goes round the ring of
// processes adding up the counts. A process passes the token on only
// once it has run dry, and one that received work since it last passed
// the token blackens it: the round then proves nothing, as that work may
// have been received from a process the token had already passed. Rank 0
// starts each round; a round that comes back white with a sum of zero
// while rank 0 is dry and has received nothing either shows the end.
//
// Only the bookkeeping is here; the messages are sent by the caller.
#ifndef OVIK_CLUSTER_TERMINATION_H_
#define OVIK_CLUSTER_TERMINATION_H_

#include <cstdint>
#include <optional>

namespace ovik {

struct Token {
  std::int64_t count = 0;  // work sent less work received, of the ranks passed
  bool black = false;
};

class Termination {
 public:
  Termination(int rank, int ranks) : rank_(rank), ranks_(ranks) {}

  void WorkSent() { ++count_; }
  void WorkReceived() {
    --count_;
    black_ = true;
  }
  // The token has arrived here; it stays until this rank runs dry.
  void TokenArrived(const Token& token) { token_ = token; }
  // To be called whenever this rank has no work. The token to send to
  // next() now, if there is one to send.
  std::optional<Token> Dry();
  int next() const { return (rank_ + ranks_ - 1) % ranks_; }
  // On rank 0: the walk is over in every rank.
  bool over() const { return over_; }

 private:
  int rank_;
  int ranks_;
  std::int64_t count_ = 0;
  bool black_ = false;
  std::optional<Token> token_;  // held here
  bool round_running_ = false;  // rank 0: the token is out
  bool over_ = false;
};

}  // namespace ovik

#endif  // OVIK_CLUSTER_TERMINATION_H_
