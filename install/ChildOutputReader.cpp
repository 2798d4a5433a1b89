#include "install/ChildOutputReader.h"

#include <algorithm>

bool CChildOutputReader::Read(std::string* chunk) {
  chunk->clear();
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(output_, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available > 0) {
      char buffer[kChunkSize];
      DWORD got = 0;
      const DWORD wanted = std::min<DWORD>(available, kChunkSize);
      if (!ReadFile(output_, buffer, wanted, &got, nullptr)) return false;
      chunk->assign(buffer, got);
      return true;
    }
    // The pipe was looked at once more after the child ended, so whatever
    // the child wrote before its end has been read.
    if (process_ended_) return false;
    if (WaitForSingleObject(process_, kPollMilliseconds) != WAIT_TIMEOUT) process_ended_ = true;
  }
}
