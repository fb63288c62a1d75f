#pragma once
// CWebWindow: the web window, the page's external object and the update flow's owner.
// One object lives for the whole run; everything here runs on the main thread.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "download/packet.h"
#include "download/packet_job.h"
#include "download/release_fetch.h"
#include "platform/browser_host.h"
#include "platform/event_loop.h"
#include "platform/script_types.h"
#include "system/launch_request_handler.h"
#include "release/release_manifest.h"
#include "update/package_digests.h"
#include "update/package_list.h"
#include "update/release_trust_store.h"

inline constexpr std::int32_t SCRIPT_DISPID_BASE = 100000;

inline constexpr std::uint32_t WM_CREATE_WEB_WINDOW = 1;  // WM_CREATE

inline constexpr std::uintptr_t TIMER_CONNECTIVITY = 1028;
inline constexpr std::uintptr_t TIMER_JS_UPDATE_GAME = 1029;
inline constexpr std::uintptr_t TIMER_UNCOMPRESS = 1030;

inline constexpr std::int32_t UPDATE_DOWNLOADING = 2;
inline constexpr std::int32_t UPDATE_EXTRACTING = 4;
inline constexpr std::int32_t UPDATE_FINISHED = 5;

inline constexpr std::int64_t PARAM_FILE_MAX_AGE = 259200;

class CPacketMap;

class CWebWindow : public platform::script_dispatch {
 public:
  using ScriptHandler = void (CWebWindow::*)(platform::dispatch_params* params,
                                             platform::variant* result);
  struct ScriptMethod {
    std::int32_t dispatchId = 0;
    ScriptHandler handler = nullptr;
  };

  // launcherFolder ends in "\"; the program passes getModuleDir().
  explicit CWebWindow(std::u16string launcherFolder);
  ~CWebWindow() override;
  CWebWindow(const CWebWindow&) = delete;
  CWebWindow& operator=(const CWebWindow&) = delete;

  // Makes a window of the desktop that sends its messages to the given procedure.
  using window_maker = std::function<platform::window_handle(platform::window_procedure)>;

  // Creates the web window (hidden) with makeWindow and runs its creation: browser, script
  // bridge, portal, launch-link receiver. The launcher window makes it as its child; a run
  // without one uses a message window.
  bool CreateWebWindow(const window_maker& makeWindow);
  bool CreateWebWindow();
  platform::window_handle Window() const { return hwnd_; }
  // SetFocus on the browser's control host window; nothing without a browser.
  void FocusBrowser();
  // Ends the browser while the windows and the system's OLE still live; the object and its
  // window stay for the download workers. Script calls fail from then on.
  void CloseBrowser();

  // The window procedure of the web window.
  std::intptr_t Proc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
  // 0 for a known timer id, -1 for any other.
  int OnTimer(std::uintptr_t timerId);
  std::u16string buildPortalUrl() const;

  // Script bridge.
  void registerScriptMethod(const std::u16string& name, ScriptHandler handler);
  void registerScriptMethods();
  const std::map<std::u16string, ScriptMethod>& ScriptMethods() const { return scriptMethods; }
  std::int32_t get_id_of_name(std::u16string_view name) override;
  platform::hresult invoke(std::int32_t dispatchId, platform::dispatch_params& params,
                           platform::variant* result) override;
  platform::hresult callScript(std::u16string_view name, const platform::dispatch_params& args,
                               platform::variant* result);

  // Script methods the page calls on window.external.
  void updateGame(platform::dispatch_params* params, platform::variant* result);
  void entryGame(platform::dispatch_params* params, platform::variant* result);
  void getDownloadProcess(platform::dispatch_params* params, platform::variant* result);
  void callIE(platform::dispatch_params* params, platform::variant* result);

  // Game launch. Starts a program from its command line without waiting for it, then posts
  // the quit message. 0 when the program was started, 1 when it could not be.
  static int Exec(std::u16string commandLine);
  void removeOldParamFile();
  std::u16string gameCommandLine(const std::u16string& gameArgument,
                                 const std::u16string& paramFileName) const;

  // Update flow: the workers' messages and the extraction timer.
  std::intptr_t OnDLProgress();
  std::intptr_t OnDLFinish(std::int32_t jobId);
  // With a publisher's key: the signed releases of the page's lists have been fetched.
  void OnReleaseFetched();
  void ProcessDownloadCompleate();
  void UpdateState(int ignored = 0);
  void UnCompress();

  // The number launch links must carry to reach this window (its handle where the system
  // has no hand-over channel of its own).
  platform::link_number LinkNumber() const;
  // Tests start the jobs' workers their own way.
  void SetPacketLauncher(packet_launcher launcher) { packetLauncher = std::move(launcher); }
  CPacketMap& Packets() { return *packets; }
  std::int32_t CurrentUpdateState() const { return updateState; }
  std::int32_t StartedJobCount() const { return startedJobCount; }
  const std::map<std::u16string, std::u16string>& UpdateMd5Map() const { return updateMd5Map; }
  // Tests give the publisher's key the program has built in.
  void SetReleaseKey(std::string key) { releaseKey_ = std::move(key); }

 private:
  void hostBrowser();
  page_function_call scriptCaller();
  void checkConnectivity();
  // One package of the list: skipped, installed, or given a download job (true). A package
  // that needs a job the table refuses ends the update.
  bool planPackage(const std::u16string& base, const std::u16string& name,
                   const std::u16string& digest);
  void reportDownloadProgress(std::int32_t state);
  // With a publisher's key: the list's signed release, as fetched from its base address,
  // checked, and every item of the list found in it with the same MD5. Logs why not.
  bool admitSignedList(const PackageList& list, const ReleaseDocuments& documents);
  // Plans every package of the admitted lists, starts their downloads and tells the page.
  void startUpdate(const std::vector<PackageList>& lists);

  std::map<std::u16string, ScriptMethod> scriptMethods;
  platform::window_handle hwnd_ = 0;
  std::unique_ptr<platform::browser_host> browser;
  std::unique_ptr<launch_link_receiver> linkReceiver;
  packet_launcher packetLauncher = launch_worker_thread;
  std::unique_ptr<CPacketMap> packets;
  std::mutex progressLock;
  std::int32_t updateState = 0;
  std::int32_t startedJobCount = 0;

  const std::u16string launcherFolder_;
  // One web window per process: these hold for the process as a whole.
  bool firstDocumentPending = true;
  bool updateGameCalled = false;
  bool downloadCompleteHandled = false;
  std::uint32_t lastProgressTick = 0;
  std::uint32_t offlineWaitMs = 0;
  std::set<std::int32_t> finishedJobs;  // ids whose finished message has arrived
  std::map<std::u16string, std::u16string> updateMd5Map;
  PackageDigests packageDigests;  // of the packages whose download is saved
  std::string releaseKey_ = builtInReleaseKey();
  std::map<std::u16string, ReleasePackage> signedPackages_;  // by name, of admitted lists
  ReleaseFetch releaseFetch_;
  std::vector<PackageList> listsAwaitingRelease_;  // while their signed releases are fetched
};

// The one web window of the run (null until it exists).
extern CWebWindow* g_webWindow;

// The parameter text converted from the ANSI code page to UTF-8. Returns the bytes written
// without the terminating zero; the size needed (with the zero) when buffer is null; 0 for a
// null text, a failed conversion or a buffer that is too small.
int toUtf8ViaAnsi(const char* text, char* buffer, int bufferSize);
