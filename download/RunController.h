#pragma once
// Runs a downloader's runs on its worker thread and arranges restarts.
//
// Thread contract:
// - `Start` may be called by the owner's thread or, from inside the
//   downloader's callback, by the worker thread itself. From the owner it
//   waits for the previous worker thread to end (as the downloader contract
//   asks), then starts a new one. From the worker it only records the
//   request, so it never blocks: the new run begins on the same thread as
//   soon as the current run has returned.
// - `Stop` may be called from any thread; it is sticky. Runs check
//   `Stopping` and `Pause` returns early once it is set. Stop also holds
//   when libcurl's global clean-up has begun.
// - `Join` (and the destructor) must be called by the owner, never by the
//   worker; it blocks until the worker thread has ended.

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>

#include "app/utils/Thread.h"

class RunController {
 public:
  explicit RunController(std::function<void()> run);
  ~RunController();
  RunController(const RunController&) = delete;
  RunController& operator=(const RunController&) = delete;

  void Start();
  void Stop();
  bool Stopping() const;
  // True once Stop was called (the owner is destroying the downloader).
  bool Cancelled() const { return stopped_; }
  // Sleeps up to `milliseconds`; returns false when it ended because of Stop.
  bool Pause(DWORD milliseconds) const;
  void Join();
  bool OnWorkerThread() const;

 private:
  void WorkerMain();

  std::function<void()> run_;
  Utils::Thread worker_;
  std::atomic<DWORD> worker_id_{0};
  std::mutex mutex_;
  bool restart_requested_ = false;
  HANDLE stop_event_;
  std::atomic<bool> stopped_{false};
};
