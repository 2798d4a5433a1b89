#include "analytics/sdk/BatchEncoding.h"

#include <zlib.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "analytics/sdk/Diagnostics.h"

namespace usage_analytics {
namespace {

constexpr size_t kChunkBytes = 32768;

// zlib's working memory for one deflate stream at these settings is about a
// quarter of a megabyte. Taking it fresh from the heap for every batch costs
// more than the compression itself on systems that hand out large blocks as
// new pages, so finished streams leave their memory to the next one. An
// arena serves one stream at a time; anything beyond it comes from the heap.
class DeflateArena {
 public:
  static constexpr size_t kBytes = 320 * 1024;

  static std::unique_ptr<DeflateArena> Take() {
    std::lock_guard<std::mutex> lock(PoolMutex());
    auto& pool = Pool();
    if (pool.empty()) return std::make_unique<DeflateArena>();
    std::unique_ptr<DeflateArena> arena = std::move(pool.back());
    pool.pop_back();
    return arena;
  }

  static void Give(std::unique_ptr<DeflateArena> arena) {
    arena->used_ = 0;
    std::lock_guard<std::mutex> lock(PoolMutex());
    if (Pool().size() < 4) Pool().push_back(std::move(arena));
  }

  static voidpf Alloc(voidpf opaque, uInt items, uInt size) {
    auto* arena = static_cast<DeflateArena*>(opaque);
    const size_t bytes = (static_cast<size_t>(items) * size + 15) & ~static_cast<size_t>(15);
    if (arena->used_ + bytes <= kBytes) {
      void* block = arena->memory_.get() + arena->used_;
      arena->used_ += bytes;
      return block;
    }
    return std::calloc(items, size);
  }

  static void Free(voidpf opaque, voidpf address) {
    auto* arena = static_cast<DeflateArena*>(opaque);
    const auto* block = static_cast<unsigned char*>(address);
    if (block >= arena->memory_.get() && block < arena->memory_.get() + kBytes) return;
    std::free(address);
  }

 private:
  static std::mutex& PoolMutex() {
    static std::mutex mutex;
    return mutex;
  }
  static std::vector<std::unique_ptr<DeflateArena>>& Pool() {
    static std::vector<std::unique_ptr<DeflateArena>> pool;
    return pool;
  }

  std::unique_ptr<unsigned char[]> memory_{new unsigned char[kBytes]};
  size_t used_ = 0;
};

}  // namespace

bool GzipCompress(const std::string& input, std::string* out) {
  out->clear();
  std::unique_ptr<DeflateArena> arena = DeflateArena::Take();
  z_stream stream = {};
  stream.zalloc = &DeflateArena::Alloc;
  stream.zfree = &DeflateArena::Free;
  stream.opaque = arena.get();
  if (deflateInit2(&stream, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    WriteError("deflateInit2 failed while compressing.");
    DeflateArena::Give(std::move(arena));
    return false;
  }
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  stream.avail_in = static_cast<uInt>(input.size());
  unsigned char chunk[kChunkBytes];
  int result = Z_OK;
  do {
    stream.next_out = chunk;
    stream.avail_out = static_cast<uInt>(sizeof(chunk));
    result = deflate(&stream, Z_FINISH);
    out->append(reinterpret_cast<const char*>(chunk), sizeof(chunk) - stream.avail_out);
  } while (result == Z_OK);
  if (result != Z_STREAM_END) {
    WriteError("Exception during zlib compression: (" + std::to_string(result) + ") " +
               (stream.msg != nullptr ? stream.msg : ""));
    deflateEnd(&stream);
    DeflateArena::Give(std::move(arena));
    return false;
  }
  deflateEnd(&stream);
  DeflateArena::Give(std::move(arena));
  return true;
}

std::string Base64Encode(const std::string& bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
    out.push_back(kAlphabet[(group >> 18) & 63]);
    out.push_back(kAlphabet[(group >> 12) & 63]);
    out.push_back(kAlphabet[(group >> 6) & 63]);
    out.push_back(kAlphabet[group & 63]);
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t group = data[i] << 16;
    if (rest == 2) group |= data[i + 1] << 8;
    out.push_back(kAlphabet[(group >> 18) & 63]);
    out.push_back(kAlphabet[(group >> 12) & 63]);
    out.push_back(rest == 2 ? kAlphabet[(group >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

std::string UrlEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
        b == '.' || b == '_' || b == '~') {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
    }
  }
  return out;
}

bool BuildRequestBody(const std::string& json_array, std::string* body) {
  std::string compressed;
  if (!GzipCompress(json_array, &compressed)) return false;
  *body = "data_list=" + UrlEncode(Base64Encode(compressed)) + "&gzip=1";
  return true;
}

}  // namespace usage_analytics
