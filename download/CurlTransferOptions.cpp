#include "download/CurlTransferOptions.h"

#include "download/PeerCertificateCheck.h"

int CurlTransferOptions::ApplySafety(CURL* handle, long stall_seconds) {
  int result = 0;
  // Transfers run on worker threads: libcurl must not use signals there.
  result |= curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  result |= curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
  result |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  result |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, stall_seconds);
  result |= curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
  result |= PeerCertificateCheck::Enable(handle);
  return result;
}

int CurlTransferOptions::ApplyProbeSafety(CURL* handle) {
  int result = 0;
  result |= curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  result |= curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
  result |= curl_easy_setopt(handle, CURLOPT_TIMEOUT, kProbeTimeoutSeconds);
  result |= PeerCertificateCheck::Enable(handle);
  return result;
}
