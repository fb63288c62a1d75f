// The launcher window on Win32: a layered popup of class "MainClass" whose whole look is the
// composed skin picture, pushed with UpdateLayeredWindow and per-pixel alpha. The system
// hit-tests it by those pixels, so clicks on fully transparent points reach what lies below.
// A layered window does not draw its child windows: the buttons are real "button" children
// that only take the mouse, while their images are part of the picture. The web window is a
// popup owned by this window (a child of a layered window would not be drawn either) that
// follows it when it moves.
#include <windows.h>
#include <windowsx.h>

#include <map>
#include <set>

#include "platform/process_lifetime.h"
#include "platform/screen.h"
#include "platform/skin_surface.h"
#include "platform/win32/copy_data_message.h"
#include "platform/win32/desktop/skin_picture.h"
#include "platform/win32/desktop/win32_desktop.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

using win32_desktop::handle_of;
using win32_desktop::window_of;

constexpr wchar_t main_class[] = L"MainClass";
constexpr wchar_t web_class[] = L"subWindow";
constexpr int icon_id = 101;
constexpr COLORREF web_colour_key = RGB(0, 255, 0);
constexpr WPARAM move_by_caption = SC_MOVE | HTCAPTION;  // 0xF012

class layered_skin_surface;

// Outlives every surface, whenever it is ended.
struct skin_registry {
  std::set<HWND> windows;
};

std::set<HWND>& live_skins() { return process_lifetime_object<skin_registry>().windows; }

layered_skin_surface* skin_of(HWND window) {
  if (!live_skins().count(window)) return nullptr;
  return reinterpret_cast<layered_skin_surface*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

struct dc_release {
  HWND window;
  HDC dc;
  ~dc_release() {
    if (dc) ReleaseDC(window, dc);
  }
};

struct memory_dc {
  HDC dc;
  ~memory_dc() {
    if (dc) DeleteDC(dc);
  }
};

struct gdi_object {
  HGDIOBJ object;
  ~gdi_object() {
    if (object) DeleteObject(object);
  }
};

class layered_skin_surface final : public skin_surface {
 public:
  layered_skin_surface(int width, int height, skin_surface_listener& listener)
      : listener_(listener), width_(width), height_(height), picture_(width, height) {}

  ~layered_skin_surface() override {
    live_skins().erase(window_);
    if (IsWindow(window_)) {
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      for (const auto& [id, button] : buttons_) SetWindowLongPtrW(button, GWLP_USERDATA, 0);
      ShowWindow(window_, SW_HIDE);
    }
  }

  layered_skin_surface(const layered_skin_surface&) = delete;
  layered_skin_surface& operator=(const layered_skin_surface&) = delete;

  bool create(std::u16string_view title) {
    if (!register_classes()) return false;
    window_ = CreateWindowExW(0, main_class, win32::to_wide(title).c_str(), WS_POPUP | WS_SYSMENU,
                              CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr,
                              win32_desktop::program_module(), this);
    if (!window_) return false;
    live_skins().insert(window_);
    // Known to the loop as a window, though its messages are its own.
    win32_desktop::add_window(window_, [](std::uint32_t, std::uintptr_t, std::intptr_t) {
      return std::intptr_t{0};
    });
    const LONG extended = GetWindowLongW(window_, GWL_EXSTYLE);
    if (!(extended & WS_EX_LAYERED)) SetWindowLongW(window_, GWL_EXSTYLE, extended | WS_EX_LAYERED);
    const screen_rect work = primary_work_area();
    SetWindowPos(window_, nullptr, (work.right - width_ - work.left) / 2,
                 (work.bottom - height_ - work.top) / 2, width_, height_, 0);
    ShowWindow(window_, SW_HIDE);
    return true;
  }

  window_handle handle() const override { return handle_of(window_); }

  void set_button_area(int control_id, int x, int y, int width, int height) override {
    const auto found = buttons_.find(control_id);
    if (found != buttons_.end()) {
      SetWindowPos(found->second, nullptr, x, y, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
      return;
    }
    const HWND button =
        CreateWindowExW(0, L"button", L"", WS_CHILD | WS_VISIBLE, x, y, width, height, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)),
                        win32_desktop::program_module(), nullptr);
    if (!button) return;
    // The system draws no frame: the look is the skin's.
    SetWindowLongW(button, GWL_STYLE,
                   static_cast<LONG>(static_cast<DWORD>(GetWindowLongW(button, GWL_STYLE)) &
                                     0xFF3FFFFFu));
    SetWindowLongPtrW(button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&button_procedure));
    buttons_[control_id] = button;
  }

  bool track_pointer(int control_id) override {
    const auto found = buttons_.find(control_id);
    if (found == buttons_.end()) return false;
    TRACKMOUSEEVENT request{};
    request.cbSize = sizeof request;
    request.dwFlags = TME_HOVER | TME_LEAVE;
    request.hwndTrack = found->second;
    request.dwHoverTime = 1;
    return TrackMouseEvent(&request) != FALSE;
  }

  void show() override {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
  }

  void minimise() override { ShowWindow(window_, SW_MINIMIZE); }

  bool present(const std::vector<placed_image>& frame) override {
    win32_desktop::skin_picture picture(width_, height_);
    for (const auto& placed : frame)
      if (const auto* image = win32_desktop::resource_image(placed.resource_id))
        picture.draw(*image, placed.x, placed.y, placed.width, placed.height);

    dc_release screen{nullptr, GetDC(nullptr)};
    memory_dc memory{CreateCompatibleDC(screen.dc)};
    if (!screen.dc || !memory.dc) return false;
    BITMAPINFO description{};
    description.bmiHeader.biSize = sizeof description.bmiHeader;
    description.bmiHeader.biWidth = width_;
    description.bmiHeader.biHeight = -height_;  // rows top down, as the picture keeps them
    description.bmiHeader.biPlanes = 1;
    description.bmiHeader.biBitCount = 32;
    description.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    gdi_object dib{CreateDIBSection(screen.dc, &description, DIB_RGB_COLORS, &bits, nullptr, 0)};
    // Without the bitmap the window keeps the picture it has.
    if (!dib.object || !bits) return false;
    std::copy(picture.pixels().begin(), picture.pixels().end(), static_cast<std::uint32_t*>(bits));
    const HGDIOBJ previous = SelectObject(memory.dc, dib.object);
    RECT place{};
    GetWindowRect(window_, &place);
    POINT target{place.left, place.top};
    SIZE size{width_, height_};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    // A minimised window's rectangle is the parking place of icons: a frame drawn then (a
    // button's leave after minimising) must not move the window there.
    const BOOL pushed =
        UpdateLayeredWindow(window_, screen.dc, IsIconic(window_) ? nullptr : &target, &size,
                            memory.dc, &origin, 0, &blend, ULW_ALPHA);
    SelectObject(memory.dc, previous);
    picture_ = std::move(picture);
    return pushed != FALSE;
  }

  // The web window: an owned popup kept at its place over this window.
  HWND create_web_window(int x, int y, int width, int height, window_procedure procedure) {
    RECT place{};
    GetWindowRect(window_, &place);
    const HWND web = CreateWindowExW(0, web_class, L"", WS_POPUP, place.left + x, place.top + y,
                                     width, height, window_, nullptr,
                                     win32_desktop::program_module(), nullptr);
    if (!web) return nullptr;
    win32_desktop::add_window(web, std::move(procedure));
    SetWindowLongW(web, GWL_EXSTYLE, GetWindowLongW(web, GWL_EXSTYLE) | WS_EX_LAYERED);
    // Pure green points of the page show the skin below.
    SetLayeredWindowAttributes(web, web_colour_key, 0, LWA_COLORKEY);
    ShowWindow(web, SW_HIDE);
    win32::mark_copy_data_receiver(web);
    owned_[web] = POINT{x, y};
    return web;
  }

 private:
  static bool register_classes() {
    static const bool registered = [] {
      const HINSTANCE module = win32_desktop::program_module();
      WNDCLASSEXW main{};
      main.cbSize = sizeof main;
      main.style = CS_HREDRAW | CS_VREDRAW;
      main.lpfnWndProc = &main_procedure;
      main.hInstance = module;
      main.hIcon = LoadIconW(module, MAKEINTRESOURCEW(icon_id));
      main.hIconSm = main.hIcon;
      main.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
      main.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
      main.lpszClassName = main_class;
      WNDCLASSEXW web{};
      web.cbSize = sizeof web;
      web.style = CS_HREDRAW | CS_VREDRAW;
      web.lpfnWndProc = &win32_desktop::seam_window_procedure;
      web.hInstance = module;
      web.hCursor = main.hCursor;
      web.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
      web.lpszClassName = web_class;
      const auto ok = [](const WNDCLASSEXW& c) {
        return RegisterClassExW(&c) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
      };
      return ok(main) && ok(web);
    }();
    return registered;
  }

  static LRESULT CALLBACK main_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<layered_skin_surface*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
      case WM_CLOSE:
        // Alt+F4 ends the loop as the close button does: the windows are then ended in
        // order, the browser first, instead of being destroyed under it.
        PostQuitMessage(0);
        return 0;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
      case WM_MOVE:
        if (self) self->place_owned_windows();
        return 0;
      case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
      }
      case WM_LBUTTONDOWN:
        if (self && self->picture_.opaque_at(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam))) {
          SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, 1, nullptr, 0);
          SendMessageW(window, WM_SYSCOMMAND, move_by_caption, 0);
        }
        return 0;
      default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
  }

  static LRESULT CALLBACK button_procedure(HWND button, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
    auto* self = reinterpret_cast<layered_skin_surface*>(GetWindowLongPtrW(button, GWLP_USERDATA));
    const int id = GetDlgCtrlID(button);
    const auto tell = [&](pointer_event event) {
      if (self) self->listener_.on_button_pointer(id, event);
      return LRESULT{0};
    };
    switch (message) {
      case WM_MOUSEMOVE:
        return tell(pointer_event::move);
      case WM_LBUTTONDOWN:
        return tell(pointer_event::left_down);
      case WM_LBUTTONUP:
        return tell(pointer_event::left_up);
      case WM_MOUSEHOVER:
        return tell(pointer_event::hover);
      case WM_MOUSELEAVE:
        return tell(pointer_event::leave);
      case WM_ERASEBKGND:
        return 0;
      default:
        return DefWindowProcW(button, message, wparam, lparam);
    }
  }

  void place_owned_windows() {
    RECT place{};
    GetWindowRect(window_, &place);
    for (const auto& [owned, offset] : owned_)
      if (IsWindow(owned))
        SetWindowPos(owned, nullptr, place.left + offset.x, place.top + offset.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  skin_surface_listener& listener_;
  int width_;
  int height_;
  HWND window_ = nullptr;
  win32_desktop::skin_picture picture_;
  std::map<int, HWND> buttons_;
  std::map<HWND, POINT> owned_;
};

}  // namespace

std::unique_ptr<skin_surface> create_skin_surface(std::u16string_view title, int background_id,
                                                  skin_surface_listener& listener) {
  win32_desktop::note_main_thread();
  const auto size = resource_image_size(background_id);
  if (!size) return nullptr;
  auto surface = std::make_unique<layered_skin_surface>(size->width, size->height, listener);
  if (!surface->create(title)) return nullptr;
  return surface;
}

window_handle create_child_window(window_handle parent, int x, int y, int width, int height,
                                  window_procedure procedure) {
  auto* skin = skin_of(window_of(parent));
  if (!skin) return 0;
  return handle_of(skin->create_web_window(x, y, width, height, std::move(procedure)));
}

void show_window(window_handle window, bool visible) {
  const HWND hwnd = window_of(window);
  if (window == 0 || !IsWindow(hwnd)) return;
  ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
}

bool window_visible(window_handle window) {
  return window != 0 && IsWindowVisible(window_of(window)) != FALSE;
}

}  // namespace platform
