// The main function of every test program.
#include <gtest/gtest.h>

#include "support/user_folders.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const testing_support::private_user_folders user_folders;
  return RUN_ALL_TESTS();
}
