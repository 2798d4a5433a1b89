#pragma once
// Whether the most recent HTTP send of an analytics batch succeeded. One flag
// per process, false at start; the sender sets it after every request and
// the delivery scheduler reads it to decide whether a flush may run on the
// caller's thread. Any thread may call; each call takes a short mutex and
// never blocks otherwise.

namespace usage_analytics {

class LastSendFlag {
 public:
  static bool Get();
  static void Set(bool succeeded);
};

}  // namespace usage_analytics
