// Every text the walk over processes gives ovik-mpi to say (each ends the
// job, but the first), in one place; sentences whole, with numbered
// places that values fill in (present/fill.h). The channel writes them
// after "ovik-mpi: ". The rest of ovik-mpi's texts are the command line's
// (cli/texts.h), which this library does not reach.
#ifndef OVIK_CLUSTER_TEXTS_H_
#define OVIK_CLUSTER_TEXTS_H_

#include <string_view>

namespace ovik::cluster_text {

// A rank that cannot open the root: its number, its host, the root (as
// `ovik where` writes paths) and the system's reason.
inline constexpr std::string_view kRankCannotRead =
    "ovik-mpi: rank {1} on {2} cannot read directory {3}: {4}\n";

inline constexpr std::string_view kWaitedInVain =
    "rank {1} waited in vain for the other ranks; the scan is abandoned";
inline constexpr std::string_view kUnexpectedMessage =
    "rank {1} got a message it did not expect (tag {2}) from rank {3}";
inline constexpr std::string_view kGarbledGoAhead = "a garbled go-ahead";
inline constexpr std::string_view kGarbledReadiness = "a garbled readiness";
inline constexpr std::string_view kGarbledEnd = "a garbled end";
inline constexpr std::string_view kGarbledStart = "a garbled start";
inline constexpr std::string_view kCouldNotTakePart =
    "rank {1} could not take part in the scan";
inline constexpr std::string_view kOutOfMemory = "rank {1} ran out of memory";
// {1} a time: "60 s".
inline constexpr std::string_view kWalkNotEnded =
    "not every rank reached the end of the walk within {1}; the scan is "
    "abandoned";
inline constexpr std::string_view kNoAnswer =
    "rank {1} did not answer for {2}; the scan is abandoned";
inline constexpr std::string_view kUnusableMessage =
    "rank {1} got a message it cannot use (tag {2}, {3} bytes) from rank {4}";
inline constexpr std::string_view kNoResults =
    "{1} ranks sent no result within {2}; the scan is abandoned";
inline constexpr std::string_view kSeconds = "{1} s";

// The MPI channel.
inline constexpr std::string_view kAbandoned = "ovik-mpi: {1}\n";
inline constexpr std::string_view kMessageTooLarge =
    "rank {1} has a message of {2} bytes to send, more than MPI sends at "
    "once";
inline constexpr std::string_view kUnknownTag =
    "rank {1} got a message of unknown tag {2} from rank {3}";
inline constexpr std::string_view kLastMessagesLost =
    "rank {1} could not deliver its last messages; the job is abandoned";
// {2} the MPI call, {3} MPI's own words.
inline constexpr std::string_view kMpiCallFailed = "rank {1}: {2} failed: {3}";

}  // namespace ovik::cluster_text

#endif  // OVIK_CLUSTER_TEXTS_H_
