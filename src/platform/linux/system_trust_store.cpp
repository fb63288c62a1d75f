#include "platform/linux/system_trust_store.h"

#include <openssl/err.h>
#include <openssl/x509.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <list>
#include <memory>
#include <mutex>

namespace platform::tls {

namespace {

// The folder is read anchor by anchor as chains ask for them, which costs nothing up front;
// the bundle must be parsed whole (tens of milliseconds), so it is read the first time a chain
// finds no issuer in the folder, once per context: a system whose roots are only a bundle
// pays for it once per process, one with a complete folder never.
class lazy_bundle {
 public:
  explicit lazy_bundle(std::string file) : file_(std::move(file)) {}

  bool loaded() {
    std::lock_guard lock(mutex_);
    return loaded_;
  }
  // Reads the bundle into the store unless that was done; whether it is there now.
  bool load_into(X509_STORE* store) {
    std::lock_guard lock(mutex_);
    if (!loaded_ && !tried_) {
      tried_ = true;
      loaded_ = ::access(file_.c_str(), R_OK) == 0 &&
                X509_STORE_load_file(store, file_.c_str()) == 1;
      ERR_clear_error();
    }
    return loaded_;
  }

 private:
  std::mutex mutex_;
  std::string file_;
  bool loaded_ = false;
  bool tried_ = false;
};

// The bundles of every context made, alive as long as the process: a context is made again
// only when its extra anchors change, and sessions of the old one may still be checking.
lazy_bundle& new_lazy_bundle(std::string file) {
  static std::mutex mutex;
  static std::list<lazy_bundle> bundles;
  std::lock_guard lock(mutex);
  return bundles.emplace_back(std::move(file));
}

bool issuer_missing(int error) {
  return error == X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY ||
         error == X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT ||
         error == X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT ||
         error == X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN;
}

// The library's chain check, and once more with the bundle read when the first one missed
// an issuer before the bundle was there. A check context serves one check only: the second
// one gets its own, with the same certificates and parameters (host name included).
int verify_with_bundle(X509_STORE_CTX* check, void* argument) {
  auto& bundle = *static_cast<lazy_bundle*>(argument);
  const bool had_bundle = bundle.loaded();
  const int verdict = X509_verify_cert(check);
  if (verdict > 0 || had_bundle || !issuer_missing(X509_STORE_CTX_get_error(check)))
    return verdict;
  X509_STORE* store = X509_STORE_CTX_get0_store(check);
  if (!bundle.load_into(store)) return verdict;
  struct check_release {
    void operator()(X509_STORE_CTX* c) const { X509_STORE_CTX_free(c); }
  };
  std::unique_ptr<X509_STORE_CTX, check_release> again(X509_STORE_CTX_new());
  if (!again || X509_STORE_CTX_init(again.get(), store, X509_STORE_CTX_get0_cert(check),
                                    X509_STORE_CTX_get0_untrusted(check)) != 1)
    return verdict;
  X509_STORE_CTX_set_default(again.get(), "ssl_server");
  X509_VERIFY_PARAM_set1(X509_STORE_CTX_get0_param(again.get()),
                         X509_STORE_CTX_get0_param(check));
  const int second = X509_verify_cert(again.get());
  X509_STORE_CTX_set_error(check, X509_STORE_CTX_get_error(again.get()));
  return second;
}

std::string location(const char* variable, const char* built_in) {
  const char* chosen = std::getenv(variable);
  return chosen ? chosen : built_in;
}

// The folder variable may list several folders; whether one of them exists.
bool any_folder(const std::string& folders) {
  for (std::size_t start = 0; start <= folders.size();) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string one = folders.substr(start, end - start);
    struct stat facts{};
    if (!one.empty() && ::stat(one.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode)) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

bool use_system_store(SSL_CTX* context, std::string& why) {
  const std::string bundle =
      location(X509_get_default_cert_file_env(), X509_get_default_cert_file());
  const std::string folder = location(X509_get_default_cert_dir_env(), X509_get_default_cert_dir());
  // The library ignores a missing folder or bundle, so a store with neither is refused here.
  if (!any_folder(folder) && ::access(bundle.c_str(), R_OK) != 0) {
    why = "the system's trust store cannot be read: neither " + bundle + " nor " + folder;
    return false;
  }
  if (SSL_CTX_set_default_verify_dir(context) != 1) {
    const unsigned long code = ERR_peek_error();
    ERR_clear_error();
    const char* reason = code ? ERR_reason_error_string(code) : nullptr;
    why = std::string("the system's trust store cannot be read: ") + (reason ? reason : folder);
    return false;
  }
  ERR_clear_error();
  SSL_CTX_set_cert_verify_callback(context, verify_with_bundle, &new_lazy_bundle(bundle));
  return true;
}

}  // namespace platform::tls
