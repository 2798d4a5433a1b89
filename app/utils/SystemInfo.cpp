#include "app/utils/SystemInfo.h"

#include <windows.h>
#include <lm.h>
#include <objbase.h>
#include <wtsapi32.h>

#include <cwchar>

namespace Utils {

std::wstring OsVersionText(unsigned major, unsigned minor, unsigned build, bool server_r2) {
  if (major <= 4) return L"XP-";
  if (major == 5) {
    if (minor == 0) return L"2K";
    if (minor == 1) return L"XP";
    if (minor == 2) return server_r2 ? L"Server 2003 R2" : L"Server 2003";
    return L"XP+";
  }
  if (major == 6) {
    static const wchar_t* const kNames[] = {L"Vista", L"7", L"8", L"8.1"};
    return minor < 4 ? kNames[minor] : L"8.1+";
  }
  if (major == 10) return minor == 0 ? L"10" : L"10+";
  return std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(build);
}

OsName GetOsName() {
  OsName name{L"Windows", L"XP-"};
  HMODULE ntdll = LoadLibraryW(L"ntdll.dll");
  if (!ntdll) return name;
  using GetNumbers = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
  DWORD major = 0, minor = 0, build = 0;
  auto get = reinterpret_cast<GetNumbers>(GetProcAddress(ntdll, "RtlGetNtVersionNumbers"));
  if (get) get(&major, &minor, &build);
  FreeLibrary(ntdll);
  name.version = OsVersionText(major, minor, build & 0xFFFF, GetSystemMetrics(SM_SERVERR2) != 0);
  return name;
}

bool Is64BitSystem() {
#ifdef _WIN64
  // A 64-bit process only runs on a 64-bit system; WOW64 never applies to it.
  return true;
#else
  using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto is_wow64 = reinterpret_cast<IsWow64>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process"));
  if (!is_wow64) return false;
  BOOL wow64 = FALSE;
  if (is_wow64(GetCurrentProcess(), &wow64)) return wow64 != FALSE;
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
#endif
}

std::wstring NewGuidString() {
  GUID g;
  if (FAILED(CoCreateGuid(&g))) return std::wstring();
  wchar_t text[40];
  std::swprintf(text, 40, L"%08lX%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X",
                static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

bool IsProcessAdmin() {
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (!AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins)) {
    return false;
  }
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, admins, &member)) member = FALSE;
  FreeSid(admins);
  return member != FALSE;
}

bool GetConsoleUserName(std::wstring* user_name) {
  user_name->clear();
  LPWSTR buffer = nullptr;
  DWORD bytes = 0;
  if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTSGetActiveConsoleSessionId(),
                                   WTSUserName, &buffer, &bytes) ||
      !buffer) {
    return false;
  }
  user_name->assign(buffer);
  WTSFreeMemory(buffer);
  return true;
}

bool IsAdminAccount(const std::wstring& user_name) {
  LPBYTE buffer = nullptr;
  if (NetUserGetInfo(nullptr, user_name.c_str(), 1, &buffer) != NERR_Success || !buffer) {
    return false;
  }
  const bool admin = reinterpret_cast<USER_INFO_1*>(buffer)->usri1_priv == USER_PRIV_ADMIN;
  NetApiBufferFree(buffer);
  return admin;
}

}  // namespace Utils
