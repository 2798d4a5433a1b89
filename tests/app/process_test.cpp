#include <gtest/gtest.h>

#include <atomic>

#include "app/utils/ChildProcess.h"
#include "app/utils/Exception.h"
#include "app/utils/Process.h"
#include "app/utils/Text.h"
#include "app/utils/Thread.h"
#include "tests/app/test_support.h"

namespace {

std::wstring Child() {
  return L"\"" + testing_support::ProgramPath(L"KESTRIMA_EXE_UTILS_CHILD") + L"\"";
}

TEST(ChildProcess, ReadsARealChildsOutputUntilItEnds) {
  const auto result =
      testing_support::RunAndCollect(Child() + L" echo Encode=UTF8 \"Progress=0.5\" \u5b8c\u6210");
  EXPECT_EQ(result.exit_code, 0u);
  EXPECT_EQ(result.output, "Encode=UTF8\nProgress=0.5\n\xe5\xae\x8c\xe6\x88\x90\n");
}

TEST(ChildProcess, ChildWritingMuchToStandardErrorDoesNotHang) {
  // Far more than any pipe buffer: with an unread error pipe the child would
  // block before printing "done", and this read would never end.
  const auto result = testing_support::RunAndCollect(Child() + L" stderr 4194304");
  EXPECT_EQ(result.output, "done\n");
  EXPECT_EQ(result.exit_code, 0u);
}

TEST(ChildProcess, StandardInputReachesTheChild) {
  Utils::ChildProcess child;
  child.Start(Child() + L" stdin");
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(child.InputWrite(), "ping\n", 5, &written, nullptr));
  // Closing our end of standard input lets the child see its end.
  child.Close();
  Utils::ChildProcess second;
  second.Start(Child() + L" sleep 0");
  WaitForSingleObject(second.Process(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(second.Process(), &code);
  EXPECT_EQ(code, 7u);
}

TEST(ChildProcess, RefusesWhatItCannotStart) {
  Utils::ChildProcess child;
  // A command line of 1024 characters or more is refused, never cut.
  std::wstring padding(1024, L'x');
  const std::wstring base = Child() + L" echo ";
  EXPECT_THROW(child.Start(base + padding.substr(0, 1024 - base.size())), Utils::Exception);
  EXPECT_EQ(child.Process(), nullptr);
  const auto ok = testing_support::RunAndCollect(base + padding.substr(0, 1023 - base.size()));
  EXPECT_EQ(ok.output, Utils::ToUtf8(padding.substr(0, 1023 - base.size())) + "\n");
  EXPECT_THROW(child.Start(L"C:\\no\\such\\program.exe"), Utils::Exception);
  EXPECT_EQ(child.OutputRead(), nullptr);
}

TEST(Thread, RunsTheFunctionWithItsArgumentAndJoins) {
  std::atomic<int> value{0};
  int argument = 41;
  {
    Utils::Thread thread;
    ASSERT_TRUE(thread.Start(
        L"ABDEF",
        [&value](void* arg) {
          Sleep(50);
          value = *static_cast<int*>(arg) + 1;
        },
        &argument));
    EXPECT_TRUE(thread.Running());
    EXPECT_NE(thread.Id(), static_cast<DWORD>(-1));
    EXPECT_EQ(value.load(), 0) << "the thread starts suspended";
    thread.Resume();
  }  // destruction joins
  EXPECT_EQ(value.load(), 42);

  Utils::Thread joined;
  ASSERT_TRUE(joined.Start(
      L"", [&value](void*) { value = 7; }, nullptr));
  joined.Resume();
  joined.Join();
  EXPECT_EQ(value.load(), 7);
  EXPECT_EQ(joined.Id(), static_cast<DWORD>(-1));
  EXPECT_FALSE(joined.Running());
}

TEST(Thread, JoinBeforeResumeNeitherHangsNorRuns) {
  bool ran = false;
  Utils::Thread thread;
  ASSERT_TRUE(thread.Start(
      L"UnInstaller", [&ran](void*) { ran = true; }, nullptr));
  thread.Join();
  EXPECT_FALSE(ran);
}

// Posts a message to the window every few milliseconds until stopped. If the
// pump under test has not returned after ten seconds, a quit message with
// code 99 ends it, so that a hang shows as a failure instead of a time-out.
class MessageSource {
 public:
  MessageSource(HWND window, DWORD pump_thread) : window_(window), pump_thread_(pump_thread) {
    thread_.Start(L"", [this](void*) { Run(); }, nullptr);
    thread_.Resume();
  }
  ~MessageSource() {
    stop_ = true;
    thread_.Join();
  }

 private:
  void Run() {
    for (int waited = 0; !stop_; waited += 5) {
      if (waited >= 10000) {
        PostThreadMessageW(pump_thread_, WM_QUIT, 99, 0);
        return;
      }
      PostMessageW(window_, WM_APP, 0, 0);
      Sleep(5);
    }
  }

  HWND window_;
  DWORD pump_thread_;
  std::atomic<bool> stop_{false};
  Utils::Thread thread_;
};

TEST(PumpMessages, ReturnsOnQuitAndPostsItAgain) {
  HWND window = CreateWindowExW(0, L"STATIC", L"pump", 0, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  MSG msg;
  {
    PostQuitMessage(5);
    MessageSource source(window, GetCurrentThreadId());
    Utils::PumpMessages(window);
  }
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 5u) << "99 means the pump did not return on its own";

  // With messages flowing, the pump lasts at least 100 ms, then returns.
  const ULONGLONG start = GetTickCount64();
  {
    MessageSource source(window, GetCurrentThreadId());
    Utils::PumpMessages(window);
  }
  EXPECT_GE(GetTickCount64() - start, 100u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the pump hung until the watchdog's quit message";
  DestroyWindow(window);
}

}  // namespace
