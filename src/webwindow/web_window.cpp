#include "webwindow/web_window.h"

#include "download/packet_map.h"
#include "log/log_manager.h"
#include "platform/message_box.h"
#include "platform/network_state.h"
#include "platform/text.h"
#include "platform/hand_over.h"
#include "system/launch_request_handler.h"
#include "system/machine_identity.h"

CWebWindow* g_webWindow = nullptr;

CWebWindow::CWebWindow(std::u16string launcherFolder)
    : packets(std::make_unique<CPacketMap>()), launcherFolder_(std::move(launcherFolder)) {}

CWebWindow::~CWebWindow() {
  linkReceiver.reset();
  browser.reset();
  if (hwnd_ != 0) platform::destroy_window(hwnd_);
  if (g_webWindow == this) g_webWindow = nullptr;
}

bool CWebWindow::CreateWebWindow() {
  return CreateWebWindow(
      [](platform::window_procedure procedure) {
        return platform::create_message_window(std::move(procedure));
      });
}

bool CWebWindow::CreateWebWindow(const window_maker& makeWindow) {
  g_webWindow = this;
  hwnd_ = makeWindow([this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return Proc(message, wParam, lParam);
  });
  if (hwnd_ == 0) return false;
  Proc(WM_CREATE_WEB_WINDOW, 0, 0);
  // Launch links handed over by a second start reach the page through the same handler as
  // a WM_COPYDATA would; without the channel the launcher runs on without them.
  linkReceiver = launch_link_receiver::start(hwnd_, scriptCaller());
  return true;
}

std::intptr_t CWebWindow::Proc(std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
  switch (message) {
    case WM_CREATE_WEB_WINDOW:
      hostBrowser();
      break;
    case platform::message_timer:
      OnTimer(wParam);
      break;
    case WM_DOWNLOAD_FINISHED:
      OnDLFinish(static_cast<std::int32_t>(wParam));
      break;
    case WM_DOWNLOAD_PROGRESS:
      OnDLProgress();
      break;
    case WM_RELEASE_FETCHED:
      OnReleaseFetched();
      break;
    case platform::message_copy_data: {
      const auto* data = reinterpret_cast<const platform::copy_data*>(lParam);
      if (data == nullptr) break;
      if (!handle_copy_data(data->dwData, data->text, hwnd_, scriptCaller())) return 0;
      break;
    }
    default:
      break;
  }
  return 0;
}

void CWebWindow::hostBrowser() {
  ensure_machine_identity();
  registerScriptMethods();
  std::string failure;
  browser = platform::create_browser_host(hwnd_, *this, &failure);
  // Without a browser the player sees an empty window: the log must say why.
  if (!browser) {
    LOG_LINE(LOG_ERROR, "Proc") << "no web browser: " << failure;
  }
  const std::u16string address = buildPortalUrl();
  LOG_LINE(LOG_INFO, "Proc") << "请求URL:" << platform::to_ansi(address);
  if (browser) browser->navigate(address);
}

void CWebWindow::FocusBrowser() {
  if (browser) browser->focus();
}

void CWebWindow::CloseBrowser() { browser.reset(); }

page_function_call CWebWindow::scriptCaller() {
  return [this](std::u16string_view name, const platform::dispatch_params& args,
                platform::variant* result) {
    platform::variant ignored;
    return callScript(name, args, result ? result : &ignored);
  };
}

platform::link_number CWebWindow::LinkNumber() const {
  return linkReceiver ? linkReceiver->number() : static_cast<platform::link_number>(hwnd_);
}

int CWebWindow::OnTimer(std::uintptr_t timerId) {
  switch (timerId) {
    case TIMER_JS_UPDATE_GAME: {
      platform::dispatch_params args;
      args.rgvarg.push_back(platform::variant::number(0));
      platform::variant result;
      if (callScript(u"JsUpdateGame", args, &result) == platform::s_ok) {
        LOG_LINE(LOG_DEBUG, "CWebWindow::OnTimer") << "执行更新检查完毕";
        platform::kill_timer(hwnd_, TIMER_JS_UPDATE_GAME);
      }
      return 0;
    }
    case TIMER_UNCOMPRESS:
      platform::kill_timer(hwnd_, TIMER_UNCOMPRESS);
      LOG_LINE(LOG_INFO, "CWebWindow::OnTimer") << "正在解压";
      UnCompress();
      return 0;
    case TIMER_CONNECTIVITY:
      checkConnectivity();
      return 0;
    default:
      return -1;
  }
}

// Nothing arms this timer; it waits for a connection before starting the jobs.
void CWebWindow::checkConnectivity() {
  if (offlineWaitMs >= 180000) {
    platform::message_box(hwnd_,
                          u"Downloader needs an internet connection to function,Please connect "
                          u"and try again.",
                          u"No Internet connection detected", platform::box_buttons::ok);
    return;
  }
  if (platform::internet_connected()) {
    platform::kill_timer(hwnd_, TIMER_CONNECTIVITY);
    offlineWaitMs = 0;
    packets->StartAll(packetLauncher);
  } else {
    offlineWaitMs += 500;
  }
}
