#pragma once
// Connectivity as the system's network list manager sees it.
//
// Thread contract: any thread that has initialised COM; blocks only for the
// COM calls.

namespace Utils {

// (status << 16) | connectivity flags, where status is 0 when connected to
// the internet, 1 when there is no connectivity at all and 2 when connected
// but not to the internet. 0 when the manager cannot be created.
long CheckNetwork();

}  // namespace Utils
