// How the processes of one walk reach each other: messages of bytes with
// a tag, sent to one process and received from any. MPI carries them
// between machines; tests carry them in memory.
#ifndef OVIK_CLUSTER_CHANNEL_H_
#define OVIK_CLUSTER_CHANNEL_H_

#include <cstdlib>
#include <string>

#include "cluster/messages.h"

namespace ovik {

struct Message {
  int from = 0;
  Tag tag = Tag::kStart;
  Bytes bytes;
};

class Channel {
 public:
  virtual ~Channel() = default;
  virtual int rank() const = 0;
  virtual int ranks() const = 0;
  // Sends without waiting for the message to be received. Messages from
  // one process to another are received in the order they were sent.
  virtual void Send(int to, Tag tag, Bytes bytes) = 0;
  // Takes a message that has arrived from any process; false when none
  // has.
  virtual bool Receive(Message* message) = 0;
  // A barrier that does not block: entered once, then passed when every
  // process has entered it.
  virtual void EnterBarrier() = 0;
  virtual bool BarrierPassed() = 0;
  // Ends every process of the job, this one saying |why| on standard
  // error, with a status that is not 0 (that of a scan that did not
  // finish).
  [[noreturn]] void Abandon(const std::string& why) {
    EndJob(why);
    std::_Exit(kAbandonedStatus);
  }

  static constexpr int kAbandonedStatus = 1;

 protected:
  // Ends every process of the job as Abandon says; does not return.
  virtual void EndJob(const std::string& why) = 0;
};

}  // namespace ovik

#endif  // OVIK_CLUSTER_CHANNEL_H_
