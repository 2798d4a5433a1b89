#pragma once
// libcurl options every transfer of the download engine shares, chosen so
// that no transfer can run for ever: a bounded number of redirects, an abort
// when a connection stalls, and probes limited in time. libcurl's
// certificate checks are never switched off, and the presented chain is kept
// for PeerCertificateCheck.
//
// Stateless; safe on any thread for the handle that thread owns.

#include <curl/curl.h>

// Redirects followed before a transfer fails with CURLE_TOO_MANY_REDIRECTS.
const long kMaxRedirects = 10;
// A single-stream transfer that receives nothing for this long is abandoned
// (and retried within its budget).
const long kSingleStreamStallSeconds = 30;
// Bytes libcurl hands over per receive. Large blocks keep the number of
// socket reads and file writes low on a fast network.
const long kReceiveBufferBytes = 2048 * 1024;
// A headers-only probe that has not completed within this time fails.
const long kProbeTimeoutSeconds = 60;

class CurlTransferOptions {
 public:
  // Redirect bound, stall abort (below 1 byte/s for `stall_seconds`) and
  // receive block size; returns the OR of the option results.
  static int ApplySafety(CURL* handle, long stall_seconds);
  // Redirect bound and overall time limit of a headers-only probe.
  static int ApplyProbeSafety(CURL* handle);
};
