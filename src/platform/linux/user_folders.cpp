#include "platform/linux/native_path.h"
#include "platform/linux/xdg_folders.h"
#include "platform/user_folders.h"

namespace platform {

std::u16string app_data_folder() {
  const std::string folder = linux_impl::xdg_config_home();
  // Windows always has this folder; a fresh Linux account may not have it yet.
  linux_impl::make_folders(folder);
  return linux_impl::core_path(folder);
}

}  // namespace platform
