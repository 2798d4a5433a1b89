#include "app/utils/Network.h"

#include <windows.h>
#include <netlistmgr.h>
#include <objbase.h>

#include "app/log/DebugLog.h"

namespace Utils {

namespace {
// Defined here rather than taken from a uuid library, which MinGW does not
// ship for this interface.
const CLSID kClsidNetworkListManager = {
    0xDCB00C01, 0x570F, 0x4A9B, {0x8D, 0x69, 0x19, 0x9F, 0xDB, 0xA5, 0x72, 0x3B}};
const IID kIidNetworkListManager = {
    0xDCB00000, 0x570F, 0x4A9B, {0x8D, 0x69, 0x19, 0x9F, 0xDB, 0xA5, 0x72, 0x3B}};
}  // namespace

long CheckNetwork() {
  INetworkListManager* manager = nullptr;
  if (FAILED(CoCreateInstance(kClsidNetworkListManager, nullptr, CLSCTX_ALL, kIidNetworkListManager,
                              reinterpret_cast<void**>(&manager))) ||
      !manager) {
    return 0;
  }
  long status = 0;
  NLM_CONNECTIVITY connectivity = NLM_CONNECTIVITY_DISCONNECTED;
  if (FAILED(manager->GetConnectivity(&connectivity))) {
    connectivity = NLM_CONNECTIVITY_DISCONNECTED;
  }
  if (connectivity == NLM_CONNECTIVITY_DISCONNECTED) {
    DEBUG_LOG(L"GetConnectivity %d", static_cast<int>(connectivity));
    status = 1;
  } else {
    VARIANT_BOOL connected = VARIANT_FALSE;
    // MinGW names the property getter without its "get_" prefix.
    if (FAILED(manager->IsConnectedToInternet(&connected))) connected = VARIANT_FALSE;
    if (connected == VARIANT_FALSE) {
      DEBUG_LOG(L"get_IsConnectedToInternet:%d", 0);
      status = 2;
    }
  }
  manager->Release();
  CoFreeUnusedLibraries();
  return status * 65536 + static_cast<long>(connectivity);
}

}  // namespace Utils
