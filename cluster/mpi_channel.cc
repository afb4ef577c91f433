#include "cluster/mpi_channel.h"

#include <climits>
#include <iostream>
#include <thread>
#include <utility>

#include "cluster/texts.h"
#include "present/fill.h"

namespace ovik {
MpiChannel::MpiChannel() {
  Check(MPI_Comm_set_errhandler(MPI_COMM_WORLD, MPI_ERRORS_RETURN),
        "MPI_Comm_set_errhandler");
  Check(MPI_Comm_rank(MPI_COMM_WORLD, &rank_), "MPI_Comm_rank");
  Check(MPI_Comm_size(MPI_COMM_WORLD, &ranks_), "MPI_Comm_size");
}

void MpiChannel::Send(int to, Tag tag, Bytes bytes) {
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
    Abandon(Fill(cluster_text::kMessageTooLarge, {rank_, bytes.size()}));
  }
  Outgoing& out = outgoing_.emplace_back();
  out.bytes = std::move(bytes);
  Check(MPI_Isend(out.bytes.data(), static_cast<int>(out.bytes.size()),
                  MPI_BYTE, to, static_cast<int>(tag), MPI_COMM_WORLD,
                  &out.request),
        "MPI_Isend");
}

bool MpiChannel::Receive(Message* message) {
  CompleteSends();
  int arrived = 0;
  MPI_Status status;
  Check(MPI_Iprobe(MPI_ANY_SOURCE, MPI_ANY_TAG, MPI_COMM_WORLD, &arrived,
                   &status),
        "MPI_Iprobe");
  if (arrived == 0) return false;
  int count = 0;
  Check(MPI_Get_count(&status, MPI_BYTE, &count), "MPI_Get_count");
  Bytes bytes(static_cast<std::size_t>(count));
  Check(MPI_Recv(bytes.data(), count, MPI_BYTE, status.MPI_SOURCE,
                 status.MPI_TAG, MPI_COMM_WORLD, MPI_STATUS_IGNORE),
        "MPI_Recv");
  if (status.MPI_TAG < static_cast<int>(Tag::kStart) ||
      status.MPI_TAG > static_cast<int>(Tag::kEnd)) {
    Abandon(Fill(cluster_text::kUnknownTag,
                 {rank_, status.MPI_TAG, status.MPI_SOURCE}));
  }
  message->from = status.MPI_SOURCE;
  message->tag = static_cast<Tag>(status.MPI_TAG);
  message->bytes = std::move(bytes);
  return true;
}

void MpiChannel::EnterBarrier() {
  Check(MPI_Ibarrier(MPI_COMM_WORLD, &barrier_), "MPI_Ibarrier");
}

bool MpiChannel::BarrierPassed() {
  int passed = 0;
  Check(MPI_Test(&barrier_, &passed, MPI_STATUS_IGNORE), "MPI_Test");
  return passed != 0;
}

void MpiChannel::EndJob(const std::string& why) {
  std::cerr << Fill(cluster_text::kAbandoned, {why}) << std::flush;
  MPI_Abort(MPI_COMM_WORLD, kAbandonedStatus);
}

void MpiChannel::Flush(std::chrono::milliseconds timeout) {
  const auto start = std::chrono::steady_clock::now();
  for (CompleteSends(); !outgoing_.empty(); CompleteSends()) {
    if (std::chrono::steady_clock::now() - start > timeout) {
      Abandon(Fill(cluster_text::kLastMessagesLost, {rank_}));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void MpiChannel::Check(int error, const char* call) {
  if (error == MPI_SUCCESS) return;
  char text[MPI_MAX_ERROR_STRING] = {};
  int length = 0;
  if (MPI_Error_string(error, text, &length) != MPI_SUCCESS) length = 0;
  Abandon(Fill(cluster_text::kMpiCallFailed,
               {rank_, call,
                std::string_view(text, static_cast<std::size_t>(length))}));
}

void MpiChannel::CompleteSends() {
  for (auto it = outgoing_.begin(); it != outgoing_.end();) {
    int done = 0;
    Check(MPI_Test(&it->request, &done, MPI_STATUS_IGNORE), "MPI_Test");
    it = done != 0 ? outgoing_.erase(it) : std::next(it);
  }
}

}  // namespace ovik
