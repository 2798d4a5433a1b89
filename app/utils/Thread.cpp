#include "app/utils/Thread.h"

#include <process.h>

#include <mutex>

#include "app/log/DebugLog.h"
#include "app/utils/Text.h"

namespace Utils {

namespace {

const DWORD kSetThreadNameException = 0x406D1388;

#pragma pack(push, 8)
struct ThreadNameInfo {
  DWORD type;   // 0x1000
  LPCSTR name;  // in the ANSI code page
  DWORD thread_id;
  DWORD flags;
};
#pragma pack(pop)

// A debugger sees the naming exception first and reads the name; without one
// this handler swallows it so that the raise never reaches the crash filter.
LONG CALLBACK SwallowThreadName(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode == kSetThreadNameException) {
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

bool Thread::Start(const std::wstring& name, Function function, void* argument) {
  if (handle_) return false;
  resumed_ = false;
  cancelled_ = false;
  function_ = std::move(function);
  argument_ = argument;
  name_ = name;
  unsigned id = 0;
  const uintptr_t handle =
      _beginthreadex(nullptr, 0, &Thread::CallBack, this, CREATE_SUSPENDED, &id);
  if (handle == 0) {
    id_ = static_cast<DWORD>(-1);
    return false;
  }
  handle_ = reinterpret_cast<HANDLE>(handle);
  id_ = id;
  AnnounceName(id_, name_.empty() ? "t" + std::to_string(id_) : ToUtf8(name_, CP_ACP));
  return true;
}

void Thread::Resume() {
  if (!handle_ || resumed_) return;
  resumed_ = true;
  ResumeThread(handle_);
}

void Thread::Join() {
  if (!handle_) return;
  if (!resumed_) {
    cancelled_ = true;
    Resume();
  }
  WaitForSingleObject(handle_, INFINITE);
  CloseHandle(handle_);
  handle_ = nullptr;
  id_ = static_cast<DWORD>(-1);
}

unsigned __stdcall Thread::CallBack(void* self) {
  Thread* thread = static_cast<Thread*>(self);
  DEBUG_LOG(L"THREAD BEGIN\r\n");
  if (!thread->cancelled_) thread->function_(thread->argument_);
  DEBUG_LOG(L"THREAD END\r\n");
  return 0;
}

void Thread::AnnounceName(DWORD thread_id, const std::string& name) {
  static std::once_flag installed;
  std::call_once(installed, [] { AddVectoredExceptionHandler(0, &SwallowThreadName); });
  ThreadNameInfo info = {0x1000, name.c_str(), thread_id, 0};
  RaiseException(kSetThreadNameException, 0, sizeof info / sizeof(ULONG_PTR),
                 reinterpret_cast<const ULONG_PTR*>(&info));
}

}  // namespace Utils
