#pragma once

#include <functional>
#include <vector>

namespace OrvUI {

// An ordered list of hooks. A hook answers false to stop what the event
// would otherwise do (painting, event handling); every hook still runs.
class CEventSource {
 public:
  using Hook = std::function<bool(void* param)>;

  void Add(Hook hook) { hooks_.push_back(std::move(hook)); }
  void Clear() { hooks_.clear(); }
  bool IsEmpty() const { return hooks_.empty(); }

  // True when every hook returned true (and when there is none).
  bool Fire(void* param) const {
    bool all = true;
    // A hook may add hooks while it runs, so iterate over a copy.
    const std::vector<Hook> hooks = hooks_;
    for (const Hook& hook : hooks) {
      if (!hook(param)) all = false;
    }
    return all;
  }

 private:
  std::vector<Hook> hooks_;
};

}  // namespace OrvUI
