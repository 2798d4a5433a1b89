#include "download/PeerCertificateCheck.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstring>
#include <string>

#include "app/utils/Text.h"

namespace {

// The host part of "scheme://[user@]host[:port]/...".
std::string HostOf(const std::string& url) {
  size_t start = url.find("://");
  if (start == std::string::npos) return std::string();
  start += 3;
  const size_t end = url.find_first_of("/?#", start);
  std::string authority = url.substr(start, end == std::string::npos ? end : end - start);
  const size_t at = authority.rfind('@');
  if (at != std::string::npos) authority = authority.substr(at + 1);
  if (!authority.empty() && authority[0] == '[') {
    const size_t close = authority.find(']');
    return close == std::string::npos ? std::string() : authority.substr(1, close - 1);
  }
  return authority.substr(0, authority.find(':'));
}

bool StartsWithNoCase(const char* text, const char* prefix) {
  return _strnicmp(text, prefix, strlen(prefix)) == 0;
}

// Adds the "Cert:" PEM entry of one certificate of the chain to the store.
bool AddCertificate(HCERTSTORE store, const curl_slist* fields, PCCERT_CONTEXT* added) {
  for (; fields; fields = fields->next) {
    if (!StartsWithNoCase(fields->data, "Cert:")) continue;
    const char* pem = fields->data + 5;
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem, 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                              nullptr)) {
      return false;
    }
    std::string der(size, '\0');
    if (!CryptStringToBinaryA(pem, 0, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(&der[0]),
                              &size, nullptr, nullptr)) {
      return false;
    }
    return CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                            reinterpret_cast<const BYTE*>(der.data()), size,
                                            CERT_STORE_ADD_ALWAYS, added) != FALSE;
  }
  return false;
}

}  // namespace

int PeerCertificateCheck::Enable(CURL* handle) {
  return curl_easy_setopt(handle, CURLOPT_CERTINFO, 1L);
}

bool PeerCertificateCheck::Trusted(CURL* handle) {
  char* effective = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK || !effective) {
    return false;
  }
  if (!StartsWithNoCase(effective, "https:")) return true;
  const std::wstring host = Utils::FromMultiByte(HostOf(effective));
  curl_certinfo* info = nullptr;
  if (host.empty() || curl_easy_getinfo(handle, CURLINFO_CERTINFO, &info) != CURLE_OK || !info ||
      info->num_of_certs < 1) {
    return false;
  }
  HCERTSTORE presented = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
  if (!presented) return false;
  PCCERT_CONTEXT leaf = nullptr;
  bool ok = AddCertificate(presented, info->certinfo[0], &leaf);
  for (int i = 1; ok && i < info->num_of_certs; ++i) {
    AddCertificate(presented, info->certinfo[i], nullptr);
  }
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  HCERTCHAINENGINE engine = nullptr;
  if (ok) {
    LPSTR server_auth = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
    CERT_CHAIN_PARA para = {};
    para.cbSize = sizeof(para);
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = &server_auth;
    // A chain engine of its own for each check, so that roots added to or
    // removed from the system's store while the installer runs count at once
    // (the default engine keeps what it saw first).
    CERT_CHAIN_ENGINE_CONFIG config = {};
    config.cbSize = sizeof(config);
    ok = CertCreateCertificateChainEngine(&config, &engine) != FALSE;
    if (ok) {
      ok = CertGetCertificateChain(engine, leaf, nullptr, presented, &para, 0, nullptr, &chain) !=
           FALSE;
    }
  }
  // Every fault of the chain counts (a missing issuer included), not only
  // those a policy check reports; revocation is not asked for here.
  const DWORD ignored = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
  if (ok && (chain->TrustStatus.dwErrorStatus & ~ignored) != 0) ok = false;
  if (ok) {
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
    ssl.cbSize = sizeof(ssl);
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
    CERT_CHAIN_POLICY_PARA policy = {};
    policy.cbSize = sizeof(policy);
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status = {};
    status.cbSize = sizeof(status);
    ok = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status) &&
         status.dwError == 0;
  }
  if (chain) CertFreeCertificateChain(chain);
  if (engine) CertFreeCertificateChainEngine(engine);
  if (leaf) CertFreeCertificateContext(leaf);
  CertCloseStore(presented, 0);
  return ok;
}
