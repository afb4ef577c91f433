// The whole of ovik-mpi but its file system, which the benchmarks'
// build slows down to the pace of a network file system.
#ifndef OVIK_PROGRAMS_OVIK_MPI_MPI_PROGRAM_H_
#define OVIK_PROGRAMS_OVIK_MPI_MPI_PROGRAM_H_

#include "cluster/cluster_scan.h"
#include "platform/filesystem.h"

namespace ovik {

// Runs the program on |fs|; returns its exit status.
int RunMpiProgram(int argc, char** argv, FileSystem& fs,
                  const ClusterSettings& settings);

}  // namespace ovik

#endif  // OVIK_PROGRAMS_OVIK_MPI_MPI_PROGRAM_H_
