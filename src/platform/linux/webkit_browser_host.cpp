// The browser host on WebKitGTK. window.external is a page object made by a user script; its
// calls come back as script messages and are dispatched by name through script_dispatch with
// the arguments reversed, as the page's IDispatch calls would be. A finished load is the
// document-complete event. Page functions are called by name; see call_script for how long the
// launcher waits for their answer. The view's background is clear and the page is drawn over
// white through a colour key, so the launcher window shows through pure green only.
#include <webkit2/webkit2.h>

#include <chrono>
#include <cmath>
#include <memory>

#include "platform/browser_host.h"
#include "platform/linux/gtk_desktop.h"
#include "platform/linux/webkit_extra_trust.h"
#include "platform/linux/webkit_page_scripts.h"
#include "platform/linux/webkit_script_dialog.h"
#include "platform/linux/webkit_web_context.h"
#include "platform/text.h"

namespace platform {

namespace {

using gtk::gchar_ptr;
using gtk::gobject_ptr;

// How long a page call is waited for at most when the page is free to answer it.
constexpr auto answer_wait_limit = std::chrono::seconds(5);

variant variant_of(JSCValue* value) {
  if (jsc_value_is_string(value)) {
    gchar_ptr text(jsc_value_to_string(value));
    return variant::text(from_utf8(text.get()));
  }
  if (jsc_value_is_number(value)) {
    const double number = jsc_value_to_double(value);
    // Negative numbers wrap as a 32-bit conversion would.
    if (!std::isfinite(number)) return variant::number(0);
    return variant::number(static_cast<std::uint32_t>(static_cast<std::int64_t>(number)));
  }
  if (jsc_value_is_boolean(value)) return variant::number(jsc_value_to_boolean(value) ? 1 : 0);
  return {};
}

gobject_ptr<JSCValue> property(JSCValue* object, const char* name) {
  return gobject_ptr<JSCValue>(jsc_value_object_get_property(object, name));
}

// What the launcher knows of the page's script. Shared with the calls and dialogs still under
// way, which may end after the host.
struct page_state {
  int unanswered_calls = 0;
  int open_dialogs = 0;
};

struct pending_call {
  std::shared_ptr<page_state> page;
  bool done = false;
  gobject_ptr<JSCValue> value;  // null when the function threw or could not be run
};

class webkit_browser_host final : public browser_host {
 public:
  webkit_browser_host(window_handle web_window, script_dispatch& external) : external_(external) {
    gobject_ptr<WebKitUserContentManager> content(webkit_user_content_manager_new());
    WebKitUserScript* script = webkit_user_script_new(
        webkit::external_object_script, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(content.get(), script);
    webkit_user_script_unref(script);
    add_colour_key(content.get());
    const std::string signal = std::string("script-message-received::") + webkit::external_channel;
    g_signal_connect(content.get(), signal.c_str(), G_CALLBACK(on_script_message), this);
    webkit_user_content_manager_register_script_message_handler(content.get(),
                                                                webkit::external_channel);
    content_ = std::move(content);

    view_ = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context",
                                    webkit::launcher_web_context(), "user-content-manager",
                                    content_.get(), nullptr));
    g_object_ref_sink(view_);
    // Clear below the page, so that what the colour key takes out shows the launcher window; the
    // key itself puts white under a page that sets no background.
    const GdkRGBA clear{0, 0, 0, 0};
    webkit_web_view_set_background_color(WEBKIT_WEB_VIEW(view_), &clear);
    // Files and links dropped on the page are not opened: the view takes no drops at all.
    gtk_drag_dest_unset(view_);
    g_signal_connect(view_, "load-changed", G_CALLBACK(on_load_changed), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(on_load_failed), this);
    g_signal_connect(view_, "script-dialog", G_CALLBACK(on_script_dialog), this);
    g_signal_connect(view_, "state-flags-changed", G_CALLBACK(on_state_flags_changed), this);
    webkit::trust_extra_anchors(WEBKIT_WEB_VIEW(view_));

    if (GtkWidget* place = gtk::container_of(web_window)) {
      gtk_box_pack_start(GTK_BOX(place), view_, TRUE, TRUE, 0);
    } else {
      // A web window without a place of its own (a message window): the page gets a window.
      own_window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
      gtk_window_set_default_size(GTK_WINDOW(own_window_), 587, 319);
      gtk_container_add(GTK_CONTAINER(own_window_), view_);
      gtk_widget_show(own_window_);
    }
    gtk_widget_show(view_);
  }

  ~webkit_browser_host() override {
    g_signal_handlers_disconnect_by_data(view_, this);
    g_signal_handlers_disconnect_by_data(content_.get(), this);
    if (own_window_)
      gtk_widget_destroy(own_window_);
    else
      gtk_widget_destroy(view_);
    g_object_unref(view_);
  }

  // A web window that is still hidden takes no input: the page gets the keyboard as soon as the
  // window is shown.
  void focus() override {
    if (gtk_widget_is_sensitive(view_))
      gtk_widget_grab_focus(view_);
    else
      focus_pending_ = true;
  }

  void navigate(std::u16string_view address) override {
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view_), to_utf8(address).c_str());
  }

  std::u16string location_url() override {
    const char* uri = webkit_web_view_get_uri(WEBKIT_WEB_VIEW(view_));
    return uri ? from_utf8(uri) : std::u16string();
  }

  hresult call_script(std::u16string_view function, const dispatch_params& params,
                      variant* result) override {
    GVariantBuilder arguments;
    g_variant_builder_init(&arguments, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&arguments, "{sv}", "fn", g_variant_new_string(to_utf8(function).c_str()));
    std::string argument_list;
    const std::size_t count = params.cArgs();
    for (std::size_t i = 0; i < count; ++i) {
      const variant& argument = params.rgvarg[count - 1 - i];
      std::string name = "a";
      name += std::to_string(i);
      switch (argument.vt) {
        case variant_type::bstr:
          g_variant_builder_add(&arguments, "{sv}", name.c_str(),
                                g_variant_new_string(to_utf8(argument.bstrVal).c_str()));
          argument_list += ", " + name;
          break;
        case variant_type::ui4:
          g_variant_builder_add(&arguments, "{sv}", name.c_str(),
                                g_variant_new_uint32(argument.ulVal));
          argument_list += ", " + name;
          break;
        case variant_type::empty:
          argument_list += ", undefined";
          break;
      }
    }
    const std::string body = webkit::call_body(argument_list);

    auto call = std::make_shared<pending_call>();
    call->page = page_;
    ++page_->unanswered_calls;
    webkit_web_view_call_async_javascript_function(
        WEBKIT_WEB_VIEW(view_), body.c_str(), -1, g_variant_builder_end(&arguments), nullptr,
        nullptr, nullptr, on_call_finished,
        std::make_unique<std::shared_ptr<pending_call>>(call).release());

    // The caller expects an answer before it goes on, as from a synchronous script call, and
    // gets it when the page can give it soon. A page that is busy (a dialog waiting for the
    // player, a function still running, an earlier call still unanswered) has the call all
    // the same and runs it when it gets to it, in order: it counts as delivered. So a page
    // that never returns costs one wait, and the launcher goes on.
    if (page_->unanswered_calls == 1 && page_->open_dialogs == 0) wait_for_answer(*call);
    if (result) *result = {};
    if (!call->done) return s_ok;
    if (!call->value) return e_fail;  // the function threw or the page could not run it
    JSCValue* answer = call->value.get();
    if (jsc_value_is_string(answer)) return disp_e_unknownname;
    if (result) {
      if (jsc_value_is_array(answer)) {
        gobject_ptr<JSCValue> kind(jsc_value_object_get_property_at_index(answer, 0));
        gchar_ptr kind_text(jsc_value_to_string(kind.get()));
        if (std::string(kind_text.get()) == "value") {
          gobject_ptr<JSCValue> value(jsc_value_object_get_property_at_index(answer, 1));
          *result = variant_of(value.get());
        }
      }
    }
    return s_ok;
  }

 private:
  // The main context runs meanwhile, so the launcher keeps working while it waits.
  void wait_for_answer(const pending_call& call) {
    const auto deadline = std::chrono::steady_clock::now() + answer_wait_limit;
    const guint wake =
        g_timeout_add(50, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    while (!call.done && page_->open_dialogs == 0 && std::chrono::steady_clock::now() < deadline)
      g_main_context_iteration(nullptr, TRUE);
    g_source_remove(wake);
  }

  // Pure green of the page shows the launcher window below, as the web window's colour key.
  static void add_colour_key(WebKitUserContentManager* content) {
    WebKitUserStyleSheet* sheet = webkit_user_style_sheet_new(
        webkit::colour_key_style_sheet, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
        WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
    webkit_user_content_manager_add_style_sheet(content, sheet);
    webkit_user_style_sheet_unref(sheet);
    WebKitUserScript* script = webkit_user_script_new(
        webkit::colour_key_script, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);
  }

  static void on_call_finished(GObject* view, GAsyncResult* outcome, gpointer data) {
    std::unique_ptr<std::shared_ptr<pending_call>> call(
        static_cast<std::shared_ptr<pending_call>*>(data));
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_call_async_javascript_function_finish(
        WEBKIT_WEB_VIEW(view), outcome, &error);
    (*call)->value.reset(value);
    if (error) g_error_free(error);
    (*call)->done = true;
    --(*call)->page->unanswered_calls;
  }

  static gboolean on_script_dialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
    auto& self = *static_cast<webkit_browser_host*>(data);
    GtkWidget* top = gtk_widget_get_toplevel(self.view_);
    GtkWindow* owner = gtk_widget_is_toplevel(top) && GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
    std::shared_ptr<page_state> page = self.page_;
    ++page->open_dialogs;
    webkit::show_script_dialog(dialog, owner, [page] { --page->open_dialogs; });
    return TRUE;
  }

  static void on_state_flags_changed(GtkWidget* view, GtkStateFlags, gpointer data) {
    auto& self = *static_cast<webkit_browser_host*>(data);
    if (!self.focus_pending_ || !gtk_widget_is_sensitive(view)) return;
    self.focus_pending_ = false;
    gtk_widget_grab_focus(view);
  }

  static void on_script_message(WebKitUserContentManager*, WebKitJavascriptResult* message,
                                gpointer data) {
    auto& self = *static_cast<webkit_browser_host*>(data);
    JSCValue* call = webkit_javascript_result_get_js_value(message);
    if (!jsc_value_is_object(call)) return;
    const auto name = property(call, "name");
    if (!jsc_value_is_string(name.get())) return;
    gchar_ptr name_text(jsc_value_to_string(name.get()));
    const auto args = property(call, "args");
    dispatch_params params;
    if (jsc_value_is_array(args.get())) {
      const auto length = property(args.get(), "length");
      const int count = jsc_value_to_int32(length.get());
      // As in DISPPARAMS, the last argument comes first.
      for (int i = count - 1; i >= 0; --i) {
        gobject_ptr<JSCValue> argument(
            jsc_value_object_get_property_at_index(args.get(), static_cast<guint>(i)));
        params.rgvarg.push_back(variant_of(argument.get()));
      }
    }
    const std::int32_t id = self.external_.get_id_of_name(from_utf8(name_text.get()));
    variant ignored;
    self.external_.invoke(id, params, &ignored);
  }

  static gboolean on_load_failed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer data) {
    static_cast<webkit_browser_host*>(data)->load_failed_ = true;
    // Handled here: the browser's own error page would be one more load that completes.
    return TRUE;
  }

  static void on_load_changed(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    auto& self = *static_cast<webkit_browser_host*>(data);
    if (event == WEBKIT_LOAD_STARTED) self.load_failed_ = false;
    if (event != WEBKIT_LOAD_FINISHED) return;
    // A failed load finishes too (with the error page): that is no document of the portal.
    if (self.load_failed_) return;
    dispatch_params none;
    variant ignored;
    self.external_.invoke(dispid_document_complete, none, &ignored);
  }

  script_dispatch& external_;
  gobject_ptr<WebKitUserContentManager> content_;
  GtkWidget* view_ = nullptr;
  GtkWidget* own_window_ = nullptr;
  bool load_failed_ = false;
  bool focus_pending_ = false;
  std::shared_ptr<page_state> page_ = std::make_shared<page_state>();
};

}  // namespace

std::unique_ptr<browser_host> create_browser_host(window_handle web_window,
                                                  script_dispatch& external,
                                                  std::string* failure) {
  if (!gtk::ensure_started()) {
    if (failure) *failure = "GTK could not be started";
    return nullptr;
  }
  return std::make_unique<webkit_browser_host>(web_window, external);
}

}  // namespace platform
