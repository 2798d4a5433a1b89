#include "download/RunController.h"

#include "download/CurlRuntime.h"

RunController::RunController(std::function<void()> run)
    : run_(std::move(run)), stop_event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

RunController::~RunController() {
  Stop();
  Join();
  if (stop_event_) CloseHandle(stop_event_);
}

void RunController::Start() {
  if (stopped_) return;
  if (OnWorkerThread()) {
    std::lock_guard<std::mutex> lock(mutex_);
    restart_requested_ = true;
    return;
  }
  Join();
  if (!worker_.Start(
          L"ABDEF", [this](void*) { WorkerMain(); }, nullptr))
    return;
  worker_id_ = worker_.Id();
  worker_.Resume();
}

void RunController::WorkerMain() {
  for (;;) {
    run_();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!restart_requested_ || Stopping()) break;
    restart_requested_ = false;
  }
}

void RunController::Stop() {
  stopped_ = true;
  if (stop_event_) SetEvent(stop_event_);
}

bool RunController::Stopping() const { return stopped_ || CurlRuntime::StopRequested(); }

bool RunController::Pause(DWORD milliseconds) const {
  // Clean-up of libcurl does not signal the event, so waits are sliced to
  // notice it within a tenth of a second.
  const DWORD slice = 100;
  DWORD waited = 0;
  while (waited < milliseconds) {
    if (Stopping()) return false;
    const DWORD step = milliseconds - waited < slice ? milliseconds - waited : slice;
    if (stop_event_ && WaitForSingleObject(stop_event_, step) == WAIT_OBJECT_0) return false;
    if (!stop_event_) Sleep(step);
    waited += step;
  }
  return !Stopping();
}

void RunController::Join() {
  worker_.Join();
  worker_id_ = 0;
}

bool RunController::OnWorkerThread() const {
  const DWORD id = worker_id_;
  return id != 0 && id == GetCurrentThreadId();
}
