#include "platform/linux/webkit_web_context.h"

#include <string>

#include "platform/linux/gtk_desktop.h"
#include "platform/linux/xdg_folders.h"
#include "platform/text.h"
#include "platform/user_folders.h"

namespace platform::webkit {

namespace {

WebKitWebContext* make_context() {
  const std::string data = linux_impl::xdg_data_home();
  const std::string cache = linux_impl::xdg_cache_home();
  // Without a home there is nowhere better than WebKit's own choice.
  if (data.empty() || cache.empty()) return webkit_web_context_get_default();
  const std::string name = to_utf8(launcher_user_folder_name);
  gtk::gobject_ptr<WebKitWebsiteDataManager> storage(webkit_website_data_manager_new(
      "base-data-directory", (data + "/" + name).c_str(), "base-cache-directory",
      (cache + "/" + name).c_str(), nullptr));
  return webkit_web_context_new_with_website_data_manager(storage.get());
}

}  // namespace

WebKitWebContext* launcher_web_context() {
  static WebKitWebContext* const context = make_context();
  return context;
}

}  // namespace platform::webkit
