#include "platform/filesystem.h"
#include "programs/ovik-mpi/mpi_program.h"

int main(int argc, char** argv) {
  auto fs = ovik::MakeSystemFileSystem();
  return ovik::RunMpiProgram(argc, argv, *fs, ovik::ClusterSettings{});
}
