#include "analytics/sdk/ObjectNode.h"

#include <utility>

namespace usage_analytics {
namespace utils {

ObjectNode::~ObjectNode() = default;

void ObjectNode::SetValue(const std::string& key, ValueNode value) {
  entries_.insert_or_assign(key, std::move(value));
}

const ValueNode* ObjectNode::Find(const std::string& key) const {
  const auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : &it->second;
}

bool ObjectNode::Remove(const std::string& key) { return entries_.erase(key) != 0; }

void ObjectNode::Merge(const ObjectNode& other) {
  for (const auto& entry : other.entries_) {
    entries_.insert_or_assign(entry.first, entry.second);
  }
}

}  // namespace utils
}  // namespace usage_analytics
