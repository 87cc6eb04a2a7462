// The Linux layer starts the program itself as its query helper: so this
// test program serves as one too.
#include <gtest/gtest.h>

#include "platform/factory.h"

int main(int argc, char** argv) {
  kv::RunPlatformHelperIfAsked(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
