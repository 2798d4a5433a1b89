#pragma once
// The checks every event name, property key, identifier and string value must
// pass. Each failing check writes its message to standard error. Pure
// functions: any thread may call them.

#include <string>

#include "analytics/sdk/ObjectNode.h"

namespace usage_analytics {

// Longest string property value, in bytes.
constexpr size_t kMaxStringValueBytes = 8192;

// True for the subset of UTF-8 the collector accepts: well-formed sequences
// without overlong forms or surrogates, and of the control bytes only tab,
// line feed and carriage return.
bool IsValidUtf8(const std::string& text);

// An identifier is 1 to 255 bytes.
bool CheckIdentifier(const std::string& label, const std::string& value);

// A name is 1 to 100 bytes and a variable name ([A-Za-z$_][A-Za-z0-9$_]*).
bool CheckName(const std::string& label, const std::string& value);

// Every key is a valid name; "$time" must hold a DateTime and "$project" a
// String. Stops at the first failure.
bool CheckProperties(const utils::ObjectNode& node);

}  // namespace usage_analytics
