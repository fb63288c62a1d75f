#pragma once
// The container side of the hosted browser control: client site, in-place site and frame, and
// the UI handler whose GetExternal gives the page its window.external. The control keeps
// references to the site for as long as it likes, so the site is counted and deletes itself
// with its last reference; detach() cuts it off from the launcher before the host goes away.
// As a container does, it keeps the object the control names active (SetActiveObject) and
// whether the control is UI-active, for the focus and the keys of the page. Its command target
// answers the page's script errors, so that no dialog of the browser stops the launcher.
#include <windows.h>
#include <mshtmhst.h>
#include <docobj.h>
#include <exdisp.h>
#include <oleidl.h>

#include <atomic>

#include "platform/win32/browser/com_ptr.h"
#include "platform/win32/browser/external_dispatch.h"

namespace platform::win32 {

// COM interfaces have no virtual destructor: these objects end only through their own Release
// or their owner, never through an interface pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class browser_site final : public IOleClientSite,
                           public IOleInPlaceSite,
                           public IOleInPlaceFrame,
                           public IDocHostUIHandler,
                           public IOleCommandTarget {
 public:
  // The reference the caller receives is the first one.
  static browser_site* create(HWND host_window, script_dispatch& external);
  browser_site(HWND host_window, script_dispatch& external)
      : host_window_(host_window), external_(external) {}
  virtual ~browser_site() = default;
  browser_site(const browser_site&) = delete;
  browser_site& operator=(const browser_site&) = delete;

  void detach();
  // The browser whose document tells where the page's focus is (Backspace deletes in a text
  // field and goes back elsewhere). Held until detach().
  void watch_browser(IWebBrowser2* browser) { browser_ = com_ptr<IWebBrowser2>::shared(browser); }
  IOleClientSite* client_site() { return this; }
  bool ui_active() const { return ui_active_; }
  // Offers a keyboard message for the host window or a window inside it to the active object
  // first, as a container's message loop does; true when the control took it, which must then
  // not be dispatched. Tab and Enter go to the page through the keyboard hook instead, so they
  // are not offered twice. The browser's own commands (is_blocked_browser_key) count as taken.
  bool translate_accelerator(MSG& message);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, shared by the in-place site and the frame
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override;
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                             LPRECT position, LPRECT clip,
                                             LPOLEINPLACEFRAMEINFO frame_info) override;
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(WINBOOL) override;
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow and IOleInPlaceFrame: no toolbars, menus or status bar.
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
    return INPLACE_E_NOTOOLSPACE;
  }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override;
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDocHostUIHandler
  // The browser's menu only where the player edits text (copy, paste); none elsewhere.
  HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD menu, POINT*, IUnknown*, IDispatch*) override {
    return menu == CONTEXT_MENU_CONTROL ? S_FALSE : S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override;
  HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                   IOleInPlaceFrame*, IOleInPlaceUIWindow*) override {
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message, const GUID*, DWORD) override;
  HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override;
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override;
  HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** dispatch) override;
  HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) override;
  HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** result) override;

  // IOleCommandTarget
  HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override {
    return OLECMDERR_E_UNKNOWNGROUP;
  }
  HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD command, DWORD, VARIANT* in,
                                 VARIANT* out) override;

 private:
  std::atomic<ULONG> references_{1};
  HWND host_window_;
  external_dispatch external_;
  bool blocks_key(const MSG& message);
  bool text_field_focused();

  com_ptr<IOleInPlaceActiveObject> active_object_;
  com_ptr<IWebBrowser2> browser_;
  bool ui_active_ = false;
  bool attached_ = true;
};
#pragma GCC diagnostic pop

}  // namespace platform::win32
