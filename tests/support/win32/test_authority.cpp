// Under Wine the certificates are made on the Linux side, and the authority goes into the root
// store of the prefix the tests run in (never a real machine's: the tests run only under Wine).
#include "support/test_authority.h"

#include <windows.h>
#include <wincrypt.h>


#include "support/source_tools.h"
#include "support/win32/unix_process.h"


namespace testing_support {

namespace {

std::string certificate_script() { return source_tool("make_test_certs.sh"); }

// The DER bytes of the first certificate of a PEM file.
std::string der_of(const std::filesystem::path& pem_file) {
  const std::string pem = read_bytes(pem_file);
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                            CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
    return {};
  std::string der(size, '\0');
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                            CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()), &size,
                            nullptr, nullptr))
    return {};
  der.resize(size);
  return der;
}

HCERTSTORE open_root_store() {
  return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
}

}  // namespace

test_authority::test_authority() { ready_ = make() && trust(); }

test_authority::~test_authority() {
  if (ready_) stop_trusting();
}

std::vector<std::string> test_authority::server_options(server_certificate which) const {
  return {"--tls", unix_path(certificate_file(which)), unix_path(key_file(which))};
}

std::string test_authority::authority_file_for_server() const {
  return unix_path(authority_file());
}

bool test_authority::make() {
  // The script makes the self-signed certificate last.
  return run_unix_process({"bash", certificate_script(), unix_path(folder_.path())},
                          folder_.path() / "maker.pid") &&
         std::filesystem::exists(authority_file()) &&
         std::filesystem::exists(folder_.path() / "self-signed.pem");
}

bool test_authority::trust() {
  const std::string der = der_of(authority_file());
  HCERTSTORE store = open_root_store();
  if (der.empty() || !store) return false;
  const BOOL added = CertAddEncodedCertificateToStore(
      store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
      static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(store, 0);
  return added != FALSE;
}

void test_authority::stop_trusting() {
  const std::string der = der_of(authority_file());
  HCERTSTORE store = open_root_store();
  if (der.empty() || !store) return;
  PCCERT_CONTEXT ours = CertCreateCertificateContext(
      X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size()));
  if (ours) {
    PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                      CERT_FIND_EXISTING, ours, nullptr);
    if (found) CertDeleteCertificateFromStore(found);  // frees found
    CertFreeCertificateContext(ours);
  }
  CertCloseStore(store, 0);
}

}  // namespace testing_support
