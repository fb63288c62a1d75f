#include "support/user_folders.h"

namespace testing_support {

// Under Wine the user's folders and registry are the test prefix's own already.
private_user_folders::private_user_folders() = default;
private_user_folders::~private_user_folders() = default;

std::filesystem::path scratch_parent() { return std::filesystem::temp_directory_path(); }

}  // namespace testing_support
