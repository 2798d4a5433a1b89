#include "analytics/sdk/Validation.h"

#include "analytics/sdk/Diagnostics.h"

namespace usage_analytics {
namespace {

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

bool IsNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '$' || c == '_';
}

bool IsNamePart(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

}  // namespace

bool IsValidUtf8(const std::string& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const size_t size = text.size();
  size_t i = 0;
  // Checks that `count` continuation bytes follow position i, the first of
  // them within [low, high] and the rest within 80..BF.
  auto follows = [&](size_t count, unsigned char low, unsigned char high) {
    if (size - i - 1 < count) return false;
    if (!InRange(bytes[i + 1], low, high)) return false;
    for (size_t k = 2; k <= count; ++k) {
      if (!InRange(bytes[i + k], 0x80, 0xBF)) return false;
    }
    return true;
  };
  while (i < size) {
    const unsigned char b = bytes[i];
    size_t length = 0;
    if (b == 0x09 || b == 0x0A || b == 0x0D || InRange(b, 0x20, 0x7E)) {
      length = 1;
    } else if (InRange(b, 0xC2, 0xDF)) {
      if (follows(1, 0x80, 0xBF)) length = 2;
    } else if (b == 0xE0) {
      if (follows(2, 0xA0, 0xBF)) length = 3;
    } else if (InRange(b, 0xE1, 0xEC) || b == 0xEE || b == 0xEF) {
      if (follows(2, 0x80, 0xBF)) length = 3;
    } else if (b == 0xED) {
      if (follows(2, 0x80, 0x9F)) length = 3;
    } else if (b == 0xF0) {
      if (follows(3, 0x90, 0xBF)) length = 4;
    } else if (InRange(b, 0xF1, 0xF3)) {
      if (follows(3, 0x80, 0xBF)) length = 4;
    } else if (b == 0xF4) {
      if (follows(3, 0x80, 0x8F)) length = 4;
    }
    if (length == 0) return false;
    i += length;
  }
  return true;
}

bool CheckIdentifier(const std::string& label, const std::string& value) {
  if (value.empty()) {
    WriteError("The " + label + " is empty.\n");
    return false;
  }
  if (value.size() >= 256) {
    WriteError("The " + label + " is too long, max length is 255.\n");
    return false;
  }
  return true;
}

bool CheckName(const std::string& label, const std::string& value) {
  if (value.empty() || value.size() > 100) {
    WriteError("The " + label + " is empty or too long, max length is 100");
    return false;
  }
  bool valid = IsNameStart(value[0]);
  for (size_t i = 1; valid && i < value.size(); ++i) valid = IsNamePart(value[i]);
  if (!valid) {
    WriteError("The " + label + " need to be a valid variable name.");
    return false;
  }
  return true;
}

bool CheckProperties(const utils::ObjectNode& node) {
  for (const auto& entry : node.entries()) {
    if (!CheckName("Property Key", entry.first)) return false;
    if (entry.first == "$time" && entry.second.kind() != utils::ValueKind::DateTime) {
      WriteError("The property '$time' should be DateTime type.");
      return false;
    }
    if (entry.first == "$project" && entry.second.kind() != utils::ValueKind::String) {
      WriteError("The property '$project' should be String type.");
      return false;
    }
  }
  return true;
}

}  // namespace usage_analytics
