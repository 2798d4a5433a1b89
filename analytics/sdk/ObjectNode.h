#pragma once
// An ordered map from UTF-8 key to value, the object of the analytics
// property tree. Keys are ordered by plain byte comparison, which is also the
// order in which they are serialised. A node belongs to one thread at a time.

#include <map>
#include <string>

#include "analytics/sdk/ValueNode.h"

namespace usage_analytics {
namespace utils {

class ObjectNode {
 public:
  using Entries = std::map<std::string, ValueNode>;

  ObjectNode() = default;
  ObjectNode(const ObjectNode&) = default;
  ObjectNode(ObjectNode&&) noexcept = default;
  ObjectNode& operator=(const ObjectNode&) = default;
  ObjectNode& operator=(ObjectNode&&) noexcept = default;
  virtual ~ObjectNode();

  // Replaces any value the key already had.
  void SetValue(const std::string& key, ValueNode value);
  // Null when the key is absent.
  const ValueNode* Find(const std::string& key) const;
  bool Remove(const std::string& key);
  // Copies every entry of `other` in, replacing entries with the same key.
  void Merge(const ObjectNode& other);
  void Clear() { entries_.clear(); }

  bool empty() const { return entries_.empty(); }
  size_t size() const { return entries_.size(); }
  const Entries& entries() const { return entries_; }

 private:
  Entries entries_;
};

}  // namespace utils
}  // namespace usage_analytics
