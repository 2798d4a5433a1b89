#pragma once
// A named worker thread.
//
// Thread contract: the owner's thread calls Start, Join and the destructor;
// the worker runs the function. Start creates the thread suspended: the owner
// stores the object where the function can find it, then calls Resume.
// Destruction joins (blocks until the function has returned), so the owner
// must make sure the function ends.

#include <windows.h>

#include <functional>
#include <string>

namespace Utils {

class Thread {
 public:
  using Function = std::function<void(void*)>;

  Thread() = default;
  ~Thread() { Join(); }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Creates the thread suspended and names it for debuggers ("t<id>" when
  // `name` is empty). Returns false, with no thread, when creation fails.
  bool Start(const std::wstring& name, Function function, void* argument);
  void Resume();
  // Waits for the thread without limit, then forgets it.
  void Join();

  bool Running() const { return handle_ != nullptr; }
  HANDLE Handle() const { return handle_; }
  DWORD Id() const { return id_; }

 private:
  static unsigned __stdcall CallBack(void* self);
  static void AnnounceName(DWORD thread_id, const std::string& name);

  HANDLE handle_ = nullptr;
  DWORD id_ = static_cast<DWORD>(-1);
  Function function_;
  void* argument_ = nullptr;
  std::wstring name_;
  // Set when the thread is joined before it was ever resumed: it then ends
  // without running the function, instead of leaving Join waiting forever.
  bool resumed_ = false;
  bool cancelled_ = false;
};

}  // namespace Utils
