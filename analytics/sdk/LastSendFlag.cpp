#include "analytics/sdk/LastSendFlag.h"

#include <mutex>

namespace usage_analytics {
namespace {

std::mutex& FlagMutex() {
  static std::mutex mutex;
  return mutex;
}

bool flag_value = false;

}  // namespace

bool LastSendFlag::Get() {
  std::lock_guard<std::mutex> lock(FlagMutex());
  return flag_value;
}

void LastSendFlag::Set(bool succeeded) {
  std::lock_guard<std::mutex> lock(FlagMutex());
  flag_value = succeeded;
}

}  // namespace usage_analytics
