#pragma once
// One value of the analytics property tree: a kind tag and the payload of
// that kind. Values are plain data; a node is used by one thread at a time
// and copying it copies nested objects deeply.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace usage_analytics {
namespace utils {

class ObjectNode;

// The numeric codes are part of the record format and must not change.
enum class ValueKind : int {
  Number = 0,
  Integer = 1,
  String = 2,
  List = 3,
  DateTime = 4,
  Bool = 5,
  Object = 6,
  Unset = 7,
};

struct DateTimeValue {
  int64_t seconds = 0;   // since 1970-01-01 UTC
  int milliseconds = 0;  // 0..999
};

class ValueNode {
 public:
  ValueNode();
  ValueNode(const ValueNode& other);
  ValueNode(ValueNode&& other) noexcept;
  ValueNode& operator=(const ValueNode& other);
  ValueNode& operator=(ValueNode&& other) noexcept;
  ~ValueNode();

  // Factories rather than constructors, so that a bool, a character pointer
  // and the numeric types can never be confused by overload resolution.
  static ValueNode Number(double value);
  static ValueNode Integer(int64_t value);
  static ValueNode String(std::string value);
  static ValueNode List(std::vector<std::string> value);
  static ValueNode DateTime(int64_t seconds, int milliseconds);
  static ValueNode Bool(bool value);
  static ValueNode Object(const ObjectNode& value);
  static ValueNode Object(ObjectNode&& value);

  ValueKind kind() const { return kind_; }
  double AsNumber() const { return number_; }
  int64_t AsInteger() const { return integer_; }
  const std::string& AsString() const { return text_; }
  const std::vector<std::string>& AsList() const { return list_; }
  DateTimeValue AsDateTime() const { return date_time_; }
  bool AsBool() const { return flag_; }
  // Null unless the kind is Object.
  const ObjectNode* AsObject() const { return object_.get(); }

 private:
  ValueKind kind_ = ValueKind::Unset;
  double number_ = 0.0;
  int64_t integer_ = 0;
  bool flag_ = false;
  DateTimeValue date_time_;
  std::string text_;
  std::vector<std::string> list_;
  std::unique_ptr<ObjectNode> object_;
};

}  // namespace utils
}  // namespace usage_analytics
