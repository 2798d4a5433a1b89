#include "analytics/sdk/PropertiesNode.h"

#include "analytics/sdk/Diagnostics.h"
#include "analytics/sdk/Validation.h"

namespace usage_analytics {

using utils::ValueNode;

void PropertiesNode::SetNumber(const std::string& key, double value) {
  SetValue(key, ValueNode::Number(value));
}

void PropertiesNode::SetNumber(const std::string& key, int value) {
  SetValue(key, ValueNode::Integer(value));
}

void PropertiesNode::SetString(const std::string& key, const std::string& value) {
  if (value.size() > kMaxStringValueBytes) {
    WriteError("String property '" + key + "' is too long, value: " + value + "\n");
    return;
  }
  if (!IsValidUtf8(value)) {
    WriteError("String property '" + key + "' is not valid UTF-8 string, value: " + value + "\n");
    return;
  }
  SetValue(key, ValueNode::String(value));
}

void PropertiesNode::SetString(const std::string& key, const char* value) {
  // A null pointer is refused like any other unusable value rather than
  // being dereferenced.
  if (value == nullptr) {
    WriteError("String property '" + key + "' is not valid UTF-8 string, value: \n");
    return;
  }
  SetString(key, std::string(value));
}

void PropertiesNode::SetBool(const std::string& key, bool value) {
  SetValue(key, ValueNode::Bool(value));
}

void PropertiesNode::SetList(const std::string& key, const std::vector<std::string>& value) {
  SetValue(key, ValueNode::List(value));
}

void PropertiesNode::SetDateTime(const std::string& key, int64_t seconds, int milliseconds) {
  SetValue(key, ValueNode::DateTime(seconds, milliseconds));
}

void PropertiesNode::SetObject(const std::string& key, const utils::ObjectNode& value) {
  SetValue(key, ValueNode::Object(value));
}

}  // namespace usage_analytics
