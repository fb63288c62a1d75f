#include "platform/win32/schannel_credentials.h"

// SCH_CREDENTIALS and TLS_PARAMETERS are declared under this name, and name UNICODE_STRING.
#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
#include <schannel.h>

#include <cstdio>

namespace platform::tls {

namespace {

// Windows 10 1809: the first system that takes SCH_CREDENTIALS, the form that can offer TLS 1.3.
constexpr DWORD first_build_with_sch_credentials = 17763;

// The system's real build number: GetVersionEx answers by the program's manifest instead.
DWORD windows_build() {
  using get_version = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const FARPROC found = ntdll ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
  if (!found) return 0;
  // FARPROC to the real signature: the one conversion GetProcAddress leaves to its caller.
  const auto call = reinterpret_cast<get_version>(reinterpret_cast<void*>(found));
  RTL_OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  return call(&version) == 0 ? version.dwBuildNumber : 0;
}

constexpr DWORD common_flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;

SECURITY_STATUS acquire(void* wanted, CredHandle& handle) {
  wchar_t package[] = UNISP_NAME_W;
  return AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, wanted,
                                   nullptr, nullptr, &handle, nullptr);
}

// TLS 1.2 and 1.3 (where the system enables it): every other protocol is turned off.
SECURITY_STATUS acquire_current(CredHandle& handle) {
  TLS_PARAMETERS parameters{};
  parameters.grbitDisabledProtocols =
      static_cast<DWORD>(~(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT));
  SCH_CREDENTIALS wanted{};
  wanted.dwVersion = SCH_CREDENTIALS_VERSION;
  wanted.dwFlags = common_flags;
  wanted.cTlsParameters = 1;
  wanted.pTlsParameters = &parameters;
  return acquire(&wanted, handle);
}

// Windows 7 and 8.1 know only this form; TLS 1.2 is asked for by name, as Windows 7 does not
// enable it for clients by default.
SECURITY_STATUS acquire_older(CredHandle& handle) {
  SCHANNEL_CRED wanted{};
  wanted.dwVersion = SCHANNEL_CRED_VERSION;
  wanted.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  wanted.dwFlags = common_flags;
  return acquire(&wanted, handle);
}

class process_credentials {
 public:
  process_credentials() {
    SECURITY_STATUS status = SEC_E_UNSUPPORTED_FUNCTION;
    if (windows_build() >= first_build_with_sch_credentials) status = acquire_current(handle_);
    // A system that refuses the newer form still takes the older one.
    if (status != SEC_E_OK) status = acquire_older(handle_);
    valid_ = status == SEC_E_OK;
    if (!valid_) {
      char code[16];
      std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
      why_ = std::string("the TLS library cannot start: error ") + code;
    }
  }
  // Not freed: the process owns it until it ends, and a free from a static destructor would
  // run while the system's security libraries shut down (it crashed the exit under Wine).
  ~process_credentials() = default;
  process_credentials(const process_credentials&) = delete;
  process_credentials& operator=(const process_credentials&) = delete;

  CredHandle* get(std::string& why) {
    if (valid_) return &handle_;
    why = why_;
    return nullptr;
  }

 private:
  CredHandle handle_{};
  bool valid_ = false;
  std::string why_;
};

}  // namespace

CredHandle* schannel_credentials(std::string& why) {
  static process_credentials credentials;  // made once, thread-safely
  return credentials.get(why);
}

}  // namespace platform::tls
