#pragma once
// Turns one batch (a JSON array text) into the form body the collector
// takes: gzip, then Base64, then URL encoding, as the field "data_list".
// Pure functions: any thread may call them.

#include <string>

namespace usage_analytics {

// gzip format (deflate, window bits 31, level 9). False, with a message on
// standard error, when zlib fails; `out` is then unspecified.
bool GzipCompress(const std::string& input, std::string* out);

// Standard alphabet with "=" padding.
std::string Base64Encode(const std::string& bytes);

// Keeps A-Z, a-z, 0-9 and "-._~"; every other byte becomes %XX (upper case).
std::string UrlEncode(const std::string& text);

// "data_list=" + URL-encoded Base64 of the gzipped batch + "&gzip=1".
// False when compression fails.
bool BuildRequestBody(const std::string& json_array, std::string* body);

}  // namespace usage_analytics
