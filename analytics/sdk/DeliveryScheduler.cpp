#include "analytics/sdk/DeliveryScheduler.h"

#include <windows.h>

#include <thread>

#include "analytics/sdk/Diagnostics.h"
#include "analytics/sdk/LastSendFlag.h"
#include "analytics/sdk/Sdk.h"

namespace usage_analytics {
namespace {

constexpr int kAttempts = 3;

}  // namespace

DeliveryScheduler::DeliveryScheduler() : state_(std::make_shared<State>()) {}

DeliveryScheduler::~DeliveryScheduler() { WaitForDetachedFlushes(); }

void DeliveryScheduler::AddPending(int32_t count) { state_->pending.fetch_add(count); }

void DeliveryScheduler::ResetPending() { state_->pending.store(0); }

int32_t DeliveryScheduler::Pending() const { return state_->pending.load(); }

void DeliveryScheduler::RequestFlush(bool now) {
  if (LastSendFlag::Get()) {
    FlushWorker(*state_, now);
    return;
  }
  WriteDebugOutput("[Analytics] Sending messages asynchronously");
  std::shared_ptr<State> state = state_;
  {
    std::lock_guard<std::mutex> lock(state->detached_mutex);
    ++state->detached_running;
  }
  try {
    std::thread([state, now]() {
      FlushWorker(*state, now);
      std::lock_guard<std::mutex> lock(state->detached_mutex);
      --state->detached_running;
      state->detached_done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the request stays pending for the next
    // immediate request or the shutdown flush.
    std::lock_guard<std::mutex> lock(state->detached_mutex);
    --state->detached_running;
    state->pending.fetch_add(1);
  }
}

void DeliveryScheduler::FlushWorker(State& state, bool now) {
  std::lock_guard<std::mutex> lock(state.flush_mutex);
  if (!now) {
    Sleep(1);
    state.pending.fetch_add(1);
    return;
  }
  for (int attempt = 0; attempt < kAttempts && state.pending.load() > 0; ++attempt) {
    if (Sdk::FlushAll()) {
      state.pending.store(0);
      return;
    }
    Sleep(1);
  }
}

void DeliveryScheduler::ShutdownFlush() {
  std::lock_guard<std::mutex> lock(state_->flush_mutex);
  if (state_->pending.load() <= 0) return;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (Sdk::FlushAll()) {
      state_->pending.store(0);
      return;
    }
  }
}

void DeliveryScheduler::WaitForDetachedFlushes() {
  std::unique_lock<std::mutex> lock(state_->detached_mutex);
  state_->detached_done.wait(lock, [this]() { return state_->detached_running == 0; });
}

}  // namespace usage_analytics
