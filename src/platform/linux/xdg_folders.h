#pragma once
// The XDG base folders of the current user, as native paths without trailing "/"; empty when
// neither the variable nor a home folder is known.
#include <string>

namespace platform::linux_impl {

std::string xdg_config_home();  // $XDG_CONFIG_HOME, else ~/.config
std::string xdg_data_home();    // $XDG_DATA_HOME, else ~/.local/share
std::string xdg_cache_home();   // $XDG_CACHE_HOME, else ~/.cache

// mkdir -p with mode 0700 for the folders it creates (as the XDG rules ask).
bool make_folders(const std::string& path);

}  // namespace platform::linux_impl
