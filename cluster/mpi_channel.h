// The channel between the processes of an MPI job. Every MPI call's
// error comes back here (never MPI's own abort without a word), and any
// error ends the job with the call and MPI's text for it.
#ifndef OVIK_CLUSTER_MPI_CHANNEL_H_
#define OVIK_CLUSTER_MPI_CHANNEL_H_

#include <mpi.h>

#include <chrono>
#include <list>
#include <string>

#include "cluster/channel.h"

namespace ovik {

class MpiChannel : public Channel {
 public:
  // Once MPI is initialised, with threads serialised at least.
  MpiChannel();

  int rank() const override { return rank_; }
  int ranks() const override { return ranks_; }
  void Send(int to, Tag tag, Bytes bytes) override;
  bool Receive(Message* message) override;
  void EnterBarrier() override;
  bool BarrierPassed() override;
  // Waits until MPI has taken every message sent, as it must before it is
  // finalised; abandons the job after |timeout|.
  void Flush(std::chrono::milliseconds timeout);

 protected:
  void EndJob(const std::string& why) override;

 private:
  void Check(int error, const char* call);
  void CompleteSends();

  struct Outgoing {
    MPI_Request request;
    Bytes bytes;  // kept until sent
  };
  std::list<Outgoing> outgoing_;
  MPI_Request barrier_ = MPI_REQUEST_NULL;
  int rank_ = 0;
  int ranks_ = 1;
};

}  // namespace ovik

#endif  // OVIK_CLUSTER_MPI_CHANNEL_H_
