#pragma once
// The property object callers fill before recording an event: an ObjectNode
// with typed setters. Each setter replaces any previous value of its key; the
// string setters refuse (with a message on standard error) values that are
// too long or not valid UTF-8 and then leave the key as it was. A node
// belongs to one thread at a time.

#include <cstdint>
#include <string>
#include <vector>

#include "analytics/sdk/ObjectNode.h"

namespace usage_analytics {

class PropertiesNode : public utils::ObjectNode {
 public:
  void SetNumber(const std::string& key, double value);
  void SetNumber(const std::string& key, int value);
  void SetString(const std::string& key, const std::string& value);
  void SetString(const std::string& key, const char* value);
  void SetBool(const std::string& key, bool value);
  void SetList(const std::string& key, const std::vector<std::string>& value);
  void SetDateTime(const std::string& key, int64_t seconds, int milliseconds);
  void SetObject(const std::string& key, const utils::ObjectNode& value);
};

}  // namespace usage_analytics
