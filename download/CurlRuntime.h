#pragma once
// Process-wide libcurl bookkeeping: the global initialisation and clean-up,
// and a count of the transfers in progress so that clean-up never runs while
// one of them still uses the library.
//
// Thread contract: `GlobalInit` and `GlobalCleanup` are called once each by
// the main thread (start-up and shutdown). `Use` objects live on whichever
// thread runs a transfer. `GlobalCleanup` blocks until every transfer has
// left its `Use` scope; transfers notice the request through `StopRequested`
// (checked from their progress functions) and end within about a second.

#include <atomic>
#include <condition_variable>
#include <mutex>

class CurlRuntime {
 public:
  // curl_global_init(CURL_GLOBAL_ALL); true when libcurl is ready.
  static bool GlobalInit();
  // Asks every transfer to stop, waits until none is left, then calls
  // curl_global_cleanup. No transfer can begin afterwards.
  static void GlobalCleanup();
  // True once clean-up has begun: transfers abort at their next progress call.
  static bool StopRequested();

  // Marks a region of code that uses libcurl. `Granted` is false when
  // clean-up has begun; the holder must then not touch libcurl at all.
  class Use {
   public:
    Use();
    ~Use();
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    bool Granted() const { return granted_; }

   private:
    bool granted_;
  };

 private:
  static std::mutex mutex_;
  static std::condition_variable idle_;
  static int active_;
  static std::atomic<bool> stopping_;
};
