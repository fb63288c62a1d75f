#pragma once
// Every test program runs with user folders of its own, so that nothing a test does, and no
// program a test starts, reaches the home of whoever runs the tests (their protocol handler,
// their settings, their caches).
#include <filesystem>

namespace testing_support {

// Points the user's folders (the XDG folders on Linux) at a fresh temporary folder while it
// lives and removes that folder afterwards. Programs the tests start inherit them; a test
// program started again for a death test keeps the folders of the run that started it.
class private_user_folders {
 public:
  private_user_folders();
  ~private_user_folders();
  private_user_folders(const private_user_folders&) = delete;
  private_user_folders& operator=(const private_user_folders&) = delete;

 private:
  std::filesystem::path owned_;  // empty when the folders are another run's
};

// Where temporary folders of tests go: inside the run's own folder where there is one, so that
// what a death test's child leaves behind (it ends without unwinding) goes with the run.
std::filesystem::path scratch_parent();

}  // namespace testing_support
