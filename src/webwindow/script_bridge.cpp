// The page's window.external: names become dispatch ids, ids become handler calls, and the
// browser's document-complete event arrives through the same entry.
#include <string>

#include "log/log_manager.h"
#include "platform/skin_surface.h"
#include "platform/text.h"
#include "system/desktop_actions.h"
#include "system/web_address.h"
#include "webwindow/web_window.h"

void CWebWindow::registerScriptMethod(const std::u16string& name, ScriptHandler handler) {
  const auto id = SCRIPT_DISPID_BASE + static_cast<std::int32_t>(scriptMethods.size());
  scriptMethods[name] = ScriptMethod{id, handler};
}

void CWebWindow::registerScriptMethods() {
  registerScriptMethod(u"updateGame", &CWebWindow::updateGame);
  registerScriptMethod(u"entryGame", &CWebWindow::entryGame);
  registerScriptMethod(u"getDownloadProcess", &CWebWindow::getDownloadProcess);
  registerScriptMethod(u"callIE", &CWebWindow::callIE);
}

namespace {

// Only web addresses leave the launcher for the player's browser: a page must not start
// programs or open files through it. True, with an ERROR line, when the address is refused.
bool refusedAsNotWeb(const std::u16string& address, const char* tag, const char* what) {
  if (isWebAddress(address)) return false;
  const std::u16string scheme = addressScheme(address);
  LOG_LINE(LOG_ERROR, tag) << what << " refused, not an http or https address, scheme: "
                           << (scheme.empty() ? std::string("(none)") : platform::to_ansi(scheme));
  return true;
}

std::u16string textArgument(const platform::dispatch_params& params, std::size_t index) {
  if (index >= params.cArgs() || params.rgvarg[index].vt != platform::variant_type::bstr) return {};
  return params.rgvarg[index].bstrVal;
}

}  // namespace

std::int32_t CWebWindow::get_id_of_name(std::u16string_view name) {
  const auto found = scriptMethods.find(std::u16string(name));
  return found == scriptMethods.end() ? 0 : found->second.dispatchId;
}

platform::hresult CWebWindow::invoke(std::int32_t dispatchId, platform::dispatch_params& params,
                                     platform::variant* result) {
  if (dispatchId >= SCRIPT_DISPID_BASE) {
    for (const auto& [name, method] : scriptMethods) {
      if (method.dispatchId == dispatchId) {
        (this->*method.handler)(&params, result);
        return platform::s_ok;
      }
    }
    return platform::e_notimpl;
  }
  if (dispatchId == platform::dispid_document_complete) {
    platform::show_window(hwnd_, true);
    const std::u16string address = browser ? browser->location_url() : std::u16string();
    LOG_LINE(LOG_DEBUG, "CWebWindow::Invoke") << "文档加载完成" << platform::to_ansi(address);
    if (firstDocumentPending) {
      firstDocumentPending = false;
      LOG_LINE(LOG_DEBUG, "CWebWindow::Invoke") << "设置定时器";
      platform::set_timer(hwnd_, TIMER_JS_UPDATE_GAME, 500);
    }
  } else if (dispatchId == platform::dispid_new_window) {
    // A new browser window would have no window.external: the player's browser shows it.
    const std::u16string address = textArgument(params, 0);
    if (!refusedAsNotWeb(address, "CWebWindow::Invoke", "new window")) open_in_browser(address);
  } else if (dispatchId == platform::dispid_script_error) {
    const bool hasLine = params.cArgs() > 1 && params.rgvarg[1].vt == platform::variant_type::ui4;
    const std::uint32_t line = hasLine ? params.rgvarg[1].ulVal : 0;
    LOG_LINE(LOG_WARN, "CWebWindow::Invoke")
        << "script error: " << platform::to_ansi(textArgument(params, 0)) << ", line " << line
        << ", " << platform::to_ansi(textArgument(params, 2));
  }
  return platform::s_ok;
}

platform::hresult CWebWindow::callScript(std::u16string_view name,
                                         const platform::dispatch_params& args,
                                         platform::variant* result) {
  if (!browser) return platform::e_fail;
  return browser->call_script(name, args, result);
}

void CWebWindow::callIE(platform::dispatch_params* params, platform::variant* /*result*/) {
  // The page's argument is read as text: a missing or non-text one would be garbage.
  if (params == nullptr || params->cArgs() == 0 ||
      params->rgvarg[0].vt != platform::variant_type::bstr) {
    LOG_LINE(LOG_ERROR, "CWebWindow::callIE") << "callIE error, param error";
    return;
  }
  const std::u16string& address = params->rgvarg[0].bstrVal;
  if (refusedAsNotWeb(address, "CWebWindow::callIE", "callIE")) return;
  const std::u16string handle = platform::from_ansi(std::to_string(LinkNumber()));
  open_in_browser(address + handle);
}
