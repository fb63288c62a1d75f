#include "platform/linux/webkit_extra_trust.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/linux/gtk_desktop.h"

namespace platform::webkit {

namespace {

using gtk::gobject_ptr;

struct certificate_list_release {
  void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};

// Whether the certificate is good for host:port when one of the anchors of the file is trusted.
bool checks_out(GTlsCertificate* certificate, const char* anchor_file, const char* host,
                int port) {
  std::unique_ptr<GList, certificate_list_release> anchors(
      g_tls_certificate_list_new_from_file(anchor_file, nullptr));
  gobject_ptr<GSocketConnectable> identity(g_network_address_new(host, static_cast<guint16>(port)));
  for (GList* item = anchors.get(); item; item = item->next) {
    if (g_tls_certificate_verify(certificate, identity.get(), G_TLS_CERTIFICATE(item->data)) == 0)
      return true;
  }
  return false;
}

gboolean on_tls_errors(WebKitWebView* view, gchar* failing_uri, GTlsCertificate* certificate,
                       GTlsCertificateFlags, gpointer) {
  const char* anchor_file = std::getenv("LAUNCHER_EXTRA_CA_FILE");
  if (!anchor_file || !*anchor_file) return FALSE;
  GUri* uri = g_uri_parse(failing_uri, G_URI_FLAGS_NONE, nullptr);
  if (!uri) return FALSE;
  const std::string host = g_uri_get_host(uri) ? g_uri_get_host(uri) : "";
  const int port = g_uri_get_port(uri) > 0 ? g_uri_get_port(uri) : 443;
  g_uri_unref(uri);
  if (host.empty() || !checks_out(certificate, anchor_file, host.c_str(), port)) return FALSE;
  webkit_web_context_allow_tls_certificate_for_host(webkit_web_view_get_context(view),
                                                    certificate, host.c_str());
  webkit_web_view_load_uri(view, failing_uri);
  return TRUE;
}

}  // namespace

void trust_extra_anchors(WebKitWebView* view) {
  g_signal_connect(view, "load-failed-with-tls-errors", G_CALLBACK(on_tls_errors), nullptr);
}

}  // namespace platform::webkit
