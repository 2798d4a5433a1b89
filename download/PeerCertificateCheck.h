#pragma once
// Checks the certificate chain an HTTPS server presented against the
// system's trusted roots and the server's host name.
//
// The package is run with administrator rights, so a download must never
// come from a server whose identity is unproven. libcurl's own checks stay
// on; this check repeats them with the system's chain engine for TLS layers
// that hand libcurl an unverified connection. Transfers enable it with
// `Enable` and call `Trusted` before accepting the first byte and after a
// headers-only request.
//
// Stateless; safe on any thread for the handle that thread owns.

#include <curl/curl.h>

class PeerCertificateCheck {
 public:
  // Asks libcurl to keep the presented chain (CURLOPT_CERTINFO).
  static int Enable(CURL* handle);
  // True for plain HTTP and for an HTTPS peer whose chain leads to a trusted
  // root and whose certificate names the host of the effective URL.
  static bool Trusted(CURL* handle);
};
