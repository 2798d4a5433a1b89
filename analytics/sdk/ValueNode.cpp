#include "analytics/sdk/ValueNode.h"

#include <utility>

#include "analytics/sdk/ObjectNode.h"

namespace usage_analytics {
namespace utils {

ValueNode::ValueNode() = default;
ValueNode::~ValueNode() = default;
ValueNode::ValueNode(ValueNode&& other) noexcept = default;
ValueNode& ValueNode::operator=(ValueNode&& other) noexcept = default;

ValueNode::ValueNode(const ValueNode& other)
    : kind_(other.kind_),
      number_(other.number_),
      integer_(other.integer_),
      flag_(other.flag_),
      date_time_(other.date_time_),
      text_(other.text_),
      list_(other.list_),
      object_(other.object_ ? std::make_unique<ObjectNode>(*other.object_) : nullptr) {}

ValueNode& ValueNode::operator=(const ValueNode& other) {
  if (this != &other) {
    ValueNode copy(other);
    *this = std::move(copy);
  }
  return *this;
}

ValueNode ValueNode::Number(double value) {
  ValueNode node;
  node.kind_ = ValueKind::Number;
  node.number_ = value;
  return node;
}

ValueNode ValueNode::Integer(int64_t value) {
  ValueNode node;
  node.kind_ = ValueKind::Integer;
  node.integer_ = value;
  return node;
}

ValueNode ValueNode::String(std::string value) {
  ValueNode node;
  node.kind_ = ValueKind::String;
  node.text_ = std::move(value);
  return node;
}

ValueNode ValueNode::List(std::vector<std::string> value) {
  ValueNode node;
  node.kind_ = ValueKind::List;
  node.list_ = std::move(value);
  return node;
}

ValueNode ValueNode::DateTime(int64_t seconds, int milliseconds) {
  ValueNode node;
  node.kind_ = ValueKind::DateTime;
  node.date_time_.seconds = seconds;
  node.date_time_.milliseconds = milliseconds;
  return node;
}

ValueNode ValueNode::Bool(bool value) {
  ValueNode node;
  node.kind_ = ValueKind::Bool;
  node.flag_ = value;
  return node;
}

ValueNode ValueNode::Object(const ObjectNode& value) {
  ValueNode node;
  node.kind_ = ValueKind::Object;
  node.object_ = std::make_unique<ObjectNode>(value);
  return node;
}

ValueNode ValueNode::Object(ObjectNode&& value) {
  ValueNode node;
  node.kind_ = ValueKind::Object;
  node.object_ = std::make_unique<ObjectNode>(std::move(value));
  return node;
}

}  // namespace utils
}  // namespace usage_analytics
