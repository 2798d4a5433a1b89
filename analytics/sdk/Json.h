#pragma once
// The compact JSON form of the analytics property tree. Pure functions: any
// thread may call them on a node it owns.

#include <string>

#include "analytics/sdk/ObjectNode.h"

namespace usage_analytics {

// Serialises `node` with keys in byte order and no white space at all.
std::string ToJson(const utils::ObjectNode& node);

// Appends the JSON form of `node` to `out`; lets callers reuse one buffer.
void AppendJson(const utils::ObjectNode& node, std::string* out);

// Appends the JSON form of one value.
void AppendJsonValue(const utils::ValueNode& value, std::string* out);

// Appends an integer in decimal.
void AppendInteger(int64_t value, std::string* out);

// Appends `text` as a quoted JSON string with the record format's escapes.
void AppendJsonString(const std::string& text, std::string* out);

// The record format's text for a Number: the default stream form of a
// double (six significant digits, general notation).
std::string FormatNumber(double value);

// The record format's text for a DateTime, quotes included, in local time.
std::string FormatDateTime(int64_t seconds, int milliseconds);

}  // namespace usage_analytics
