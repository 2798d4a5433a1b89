#pragma once
// Decides when queued records are sent: right away for some events, later
// for others, and once more at shutdown. Keeps the pending counter (records
// or requests that may still be waiting) and serialises its flushes with one
// mutex.
//
// Thread contract: owned by the tracker. RequestFlush may be called from any
// thread; it runs the flush on the caller's thread while the last send
// succeeded (blocking it for the HTTP requests) and otherwise on a detached
// thread of its own, returning at once. ShutdownFlush is called once, by the
// owner, before the SDK shuts down; it waits for a flush in progress. The
// destructor waits until every detached flush has finished, so none outlives
// its owner. Flushes go through Sdk::FlushAll and do nothing once the SDK has
// shut down.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace usage_analytics {

class DeliveryScheduler {
 public:
  DeliveryScheduler();
  ~DeliveryScheduler();
  DeliveryScheduler(const DeliveryScheduler&) = delete;
  DeliveryScheduler& operator=(const DeliveryScheduler&) = delete;

  void AddPending(int32_t count);
  void ResetPending();
  int32_t Pending() const;

  // `now` true: send what is queued (up to 3 attempts while anything is
  // pending). `now` false: only count one more pending request.
  void RequestFlush(bool now);
  // Up to 3 complete flushes back to back while anything is pending.
  void ShutdownFlush();
  // Blocks until no detached flush is running.
  void WaitForDetachedFlushes();

 private:
  // State shared with the detached threads.
  struct State {
    std::atomic<int32_t> pending{0};
    std::mutex flush_mutex;
    std::mutex detached_mutex;
    std::condition_variable detached_done;
    int detached_running = 0;
  };

  static void FlushWorker(State& state, bool now);

  std::shared_ptr<State> state_;
};

}  // namespace usage_analytics
