// The encoding of a batch into the form body: gzip, Base64, URL encoding.

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "analytics/sdk/BatchEncoding.h"

namespace {

std::string Gunzip(const std::string& packed) {
  z_stream stream = {};
  EXPECT_EQ(inflateInit2(&stream, 31), Z_OK);
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  std::string out;
  char chunk[4096];
  int result = Z_OK;
  do {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof(chunk);
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(chunk, sizeof(chunk) - stream.avail_out);
  } while (result == Z_OK);
  EXPECT_EQ(result, Z_STREAM_END);
  inflateEnd(&stream);
  return out;
}

std::string UrlDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string Base64Decode(const std::string& text) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    if (c == '=') break;
    bits = (bits << 6) | static_cast<uint32_t>(alphabet.find(c));
    count += 6;
    if (count >= 8) {
      count -= 8;
      out.push_back(static_cast<char>((bits >> count) & 0xFF));
    }
  }
  return out;
}

TEST(Base64, StandardVectorsWithPadding) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\xfb\xff\xbf", 3), "+/+/"},
      {std::string("\0\0\0", 3), "AAAA"},
  };
  for (const auto& c : cases) EXPECT_EQ(usage_analytics::Base64Encode(c.in), c.out) << c.in;
}

TEST(UrlEncoding, KeepsUnreservedAndEscapesEverythingElseInUpperCase) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"AZaz09-._~", "AZaz09-._~"},  {"a+b/c=", "a%2Bb%2Fc%3D"},    {" &%", "%20%26%25"},
      {"\xe4\xb8\xad", "%E4%B8%AD"}, {std::string(1, '\0'), "%00"},
  };
  for (const auto& c : cases) EXPECT_EQ(usage_analytics::UrlEncode(c.in), c.out) << c.in;
}

TEST(Gzip, ProducesAGzipStreamThatInflatesBackExactly) {
  std::string text = "[";
  for (int i = 0; i < 2000; ++i) text += "{\"n\":" + std::to_string(i * 7919 % 1000) + "},";
  text.back() = ']';
  for (const std::string& input : {std::string(), std::string("[]"), text}) {
    std::string packed;
    ASSERT_TRUE(usage_analytics::GzipCompress(input, &packed));
    ASSERT_GE(packed.size(), 18u);
    EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x1f);
    EXPECT_EQ(static_cast<unsigned char>(packed[1]), 0x8b);
    EXPECT_EQ(packed[2], 8);  // deflate
    EXPECT_EQ(Gunzip(packed), input);
  }
}

TEST(RequestBody, DecodesBackToTheBatch) {
  const std::string batch = "[{\"a\":\"x+y/z\xe4\xb8\xad\"},{\"b\":1}]";
  std::string body;
  ASSERT_TRUE(usage_analytics::BuildRequestBody(batch, &body));
  const std::string head = "data_list=", tail = "&gzip=1";
  ASSERT_EQ(body.rfind(head, 0), 0u);
  ASSERT_EQ(body.substr(body.size() - tail.size()), tail);
  const std::string field = body.substr(head.size(), body.size() - head.size() - tail.size());
  EXPECT_EQ(field.find_first_of("+/=&"), std::string::npos);
  EXPECT_EQ(Gunzip(Base64Decode(UrlDecode(field))), batch);
}

}  // namespace
