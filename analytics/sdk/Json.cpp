#include "analytics/sdk/Json.h"

#include <windows.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace usage_analytics {
namespace {

// Days since 1970-01-01 to a proleptic Gregorian date; used only when the C
// library cannot convert an instant (before the epoch, far future).
void CivilFromDays(int64_t days, int* year, int* month, int* day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2 ? 1 : 0));
}

}  // namespace

void AppendJsonValue(const utils::ValueNode& value, std::string* out) {
  switch (value.kind()) {
    case utils::ValueKind::Number:
      out->append(FormatNumber(value.AsNumber()));
      break;
    case utils::ValueKind::Integer: {
      char digits[32];
      const int n =
          std::snprintf(digits, sizeof(digits), "%lld", static_cast<long long>(value.AsInteger()));
      out->append(digits, n > 0 ? static_cast<size_t>(n) : 0);
      break;
    }
    case utils::ValueKind::String:
      AppendJsonString(value.AsString(), out);
      break;
    case utils::ValueKind::List: {
      out->push_back('[');
      bool first = true;
      for (const auto& item : value.AsList()) {
        if (!first) out->push_back(',');
        first = false;
        AppendJsonString(item, out);
      }
      out->push_back(']');
      break;
    }
    case utils::ValueKind::DateTime:
      out->append(FormatDateTime(value.AsDateTime().seconds, value.AsDateTime().milliseconds));
      break;
    case utils::ValueKind::Bool:
      out->append(value.AsBool() ? "true" : "false");
      break;
    case utils::ValueKind::Object:
      if (value.AsObject() != nullptr) {
        AppendJson(*value.AsObject(), out);
      } else {
        out->append("{}");
      }
      break;
    case utils::ValueKind::Unset:
      break;
  }
}

std::string ToJson(const utils::ObjectNode& node) {
  std::string out;
  out.reserve(256);
  AppendJson(node, &out);
  return out;
}

void AppendJson(const utils::ObjectNode& node, std::string* out) {
  out->push_back('{');
  bool first = true;
  for (const auto& entry : node.entries()) {
    // An unset value writes nothing, so its key must not be written either or
    // the object would not parse.
    if (entry.second.kind() == utils::ValueKind::Unset) continue;
    if (!first) out->push_back(',');
    first = false;
    // Keys that pass the name check contain nothing to escape, so escaping
    // changes no valid record; it keeps keys of nested objects, which are
    // not checked, from breaking the document.
    AppendJsonString(entry.first, out);
    out->push_back(':');
    AppendJsonValue(entry.second, out);
  }
  out->push_back('}');
}

void AppendInteger(int64_t value, std::string* out) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof(digits), value);
  out->append(digits, result.ptr);
}

void AppendJsonString(const std::string& text, std::string* out) {
  out->push_back('"');
  size_t plain = 0;  // start of the run of bytes copied unchanged
  for (size_t i = 0; i < text.size(); ++i) {
    const char* escape = nullptr;
    switch (text[i]) {
      case '\b':
        escape = "\\b";
        break;
      case '\t':
        escape = "\\t";
        break;
      case '\n':
        escape = "\\n";
        break;
      case '\f':
        escape = "\\f";
        break;
      case '\r':
        escape = "\\r";
        break;
      case '"':
        escape = "\\\"";
        break;
      case '\\':
        escape = "\\\\";
        break;
      default:
        continue;
    }
    out->append(text, plain, i - plain);
    out->append(escape, 2);
    plain = i + 1;
  }
  out->append(text, plain, std::string::npos);
  out->push_back('"');
}

std::string FormatNumber(double value) {
  // JSON has no spelling for infinities and NaN; writing the C library's
  // "inf" would make the collector reject the whole batch, so they go out as
  // null.
  if (!std::isfinite(value)) return "null";
  // General notation with six significant digits is exactly the default
  // stream form (and printf's "%g"), exponent of at least two digits
  // included, without going through the C runtime's formatter.
  char text[64];
  const auto result =
      std::to_chars(text, text + sizeof(text), value, std::chars_format::general, 6);
  return std::string(text, result.ptr);
}

std::string FormatDateTime(int64_t seconds, int milliseconds) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  struct tm local = {};
  __time64_t instant = static_cast<__time64_t>(seconds);
  if (_localtime64_s(&local, &instant) == 0) {
    year = local.tm_year + 1900;
    month = local.tm_mon + 1;
    day = local.tm_mday;
    hour = local.tm_hour;
    minute = local.tm_min;
    second = local.tm_sec;
  } else {
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
      rest += 86400;
      --days;
    }
    CivilFromDays(days, &year, &month, &day);
    hour = static_cast<int>(rest / 3600);
    minute = static_cast<int>(rest / 60 % 60);
    second = static_cast<int>(rest % 60);
  }
  char text[64];
  const int n = std::snprintf(text, sizeof(text), "\"%04d-%02d-%02d %02d:%02d:%02d.%03d\"", year,
                              month, day, hour, minute, second, milliseconds);
  return n > 0 ? std::string(text, static_cast<size_t>(n)) : std::string("\"\"");
}

}  // namespace usage_analytics
