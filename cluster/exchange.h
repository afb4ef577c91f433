// One process's side of a walk spread over processes: it hands work to
// the processes that ask for it, asks others when its own threads have
// run dry, passes the token that tells when the walk is over, and at the
// end sends what it counted to rank 0, which adds every part up.
//
// The walk ends in three steps. Rank 0 sees the end (see termination.h)
// and tells every rank. Each rank then stops asking for work, waits for
// the answer to a question it still has out, and enters a barrier, where
// it answers every question with "no work" until all ranks are in it: no
// question is then left unanswered, and no message of the walk is left
// anywhere. Last, each rank sends rank 0 its part.
#ifndef OVIK_CLUSTER_EXCHANGE_H_
#define OVIK_CLUSTER_EXCHANGE_H_

#include <chrono>
#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "cluster/channel.h"
#include "cluster/messages.h"
#include "cluster/termination.h"
#include "scan/progress.h"
#include "scan/walk_peers.h"

namespace ovik {

class Exchange : public WalkPeers {
 public:
  // |progress|: this rank's figures; rank 0 adds the others' to its own.
  // |root_device|: the device number of the root here. |timeout|: how
  // long another rank may leave a question unanswered before it is taken
  // for lost and the job is abandoned. |early|: messages of the walk
  // that came before it started here.
  Exchange(Channel& channel, ScanProgress* progress,
           std::uint64_t root_device, std::chrono::milliseconds timeout,
           std::vector<Message> early = {});

  bool StartsAtRoot() const override { return channel_.rank() == 0; }
  void Serve(WorkQueue& queue, bool walking) override;
  bool Gather(WalkPart* part) override;
  // Whether this rank's part went to rank 0 (or rank 0 has every part).
  bool gathered() const { return gathered_; }

 private:
  using Clock = std::chrono::steady_clock;
  struct Asker {
    int rank;
    Clock::time_point since;
  };

  void ServeUntilOver();
  bool Step();
  void Handle(Message&& message);
  bool NextMessage(Message* message);
  void AddPart(const Message& message, std::vector<bool>* received,
               WalkPart* part);
  void TakeWork(const Message& message);
  bool AnswerAskers();
  void AskForWork();
  void SendProgress();
  void Pause(bool active);
  [[noreturn]] void Unexpected(const Message& message);
  std::string Seconds() const;

  Channel& channel_;
  std::deque<Message> inbox_;  // received before their time
  // Rank 0: parts sent by ranks past the barrier before rank 0 is.
  std::vector<Message> early_parts_;
  ScanProgress* progress_;
  std::uint64_t root_device_;
  std::chrono::milliseconds timeout_;
  Termination termination_;
  WorkQueue* queue_ = nullptr;
  bool walking_ = false;
  std::deque<Asker> askers_;
  bool asking_queue_ = false;  // the queue's threads are asked to share
  int asked_ = -1;             // the rank asked for work, until it answers
  Clock::time_point asked_at_;
  Clock::time_point next_ask_;
  unsigned refusals_ = 0;  // answers without work, in a row
  int last_giver_ = -1;    // asked first next time
  bool over_ = false;      // rank 0 said the walk is over
  std::minstd_rand random_;
  ProgressMessage reported_;  // this rank's figures sent to rank 0 so far
  Clock::time_point next_progress_;
  std::chrono::microseconds pause_{0};
  bool gathered_ = false;
};

}  // namespace ovik

#endif  // OVIK_CLUSTER_EXCHANGE_H_
