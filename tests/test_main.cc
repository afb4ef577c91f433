// The tests' main(): GoogleTest's, except that a run in which no test
// ran (a filter or a shard that matched nothing) fails instead of
// passing empty.
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  if (::testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
    std::fprintf(stderr, "no test ran\n");
    return 1;
  }
  return status;
}
