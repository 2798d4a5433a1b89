#include "tests/install/InstallTestSupport.h"

#include <winsock2.h>

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "app/utils/Files.h"
#include "app/utils/Text.h"

namespace install_test {

TempFolder::TempFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  static LONG counter = 0;
  path_ = std::wstring(temp) + L"kst_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
          std::to_wstring(InterlockedIncrement(&counter)) + L"_" + name;
  RemoveTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void RemoveTree(const std::wstring& path) {
  if (!FolderExists(path)) {
    DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      RemoveTree(path + L"\\" + name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD wrote = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
  CloseHandle(file);
}

std::wstring ProgramPath(const wchar_t* variable) {
  const wchar_t* value = _wgetenv(variable);
  return value ? std::wstring(value) : std::wstring();
}

std::wstring FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

namespace {

// The harness's state folder, where the download server keeps its files.
std::wstring ServerFilesFolder() {
  const wchar_t* harness = _wgetenv(L"KESTRIMA_HARNESS_DIR");
  if (!harness) return std::wstring();
  return L"Z:" + Utils::ReplaceAll(harness, L"/", L"\\") + L"\\dlfiles";
}

std::wstring ServerUrl() {
  const wchar_t* url = _wgetenv(L"DLSERVER_URL");
  return url ? std::wstring(url) : std::wstring();
}

}  // namespace

std::wstring PublishOnDownloadServer(const std::wstring& file, const std::wstring& name) {
  const std::wstring files = ServerFilesFolder();
  const std::wstring url = ServerUrl();
  const std::wstring md5 = Utils::FileMd5(file);
  if (files.empty() || url.empty() || md5.empty()) return std::wstring();
  // The server finds a package through its index entry, which names the
  // folder (the digest) that holds it.
  Utils::CreateDirectoryTree(files + L"\\" + md5);
  Utils::CreateDirectoryTree(files + L"\\_index");
  if (!CopyFileW(file.c_str(), (files + L"\\" + md5 + L"\\" + name).c_str(), FALSE)) {
    return std::wstring();
  }
  WriteBytes(files + L"\\_index\\" + name, Utils::ToUtf8(md5));
  return url + L"/r/1/files/" + md5 + L"/" + name;
}

std::wstring MissingOnDownloadServer(const std::wstring& name) {
  return ServerUrl() + L"/files/0123456789abcdef0123456789abcdef/" + name;
}

SilentServer::SilentServer() : socket_(INVALID_SOCKET) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 8) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(listener);
    return;
  }
  socket_ = listener;
  port_ = ntohs(address.sin_port);
}

SilentServer::~SilentServer() {
  if (socket_ != INVALID_SOCKET) closesocket(static_cast<SOCKET>(socket_));
  WSACleanup();
}

std::wstring SilentServer::Url() const {
  if (socket_ == INVALID_SOCKET) return std::wstring();
  return L"http://127.0.0.1:" + std::to_wstring(port_);
}

PipelineCallback EventRecorder::Callback() {
  return [this](int code, double value, const wchar_t* text) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back({code, value, text});
    arrived_.notify_all();
  };
}

bool EventRecorder::WaitFor(std::initializer_list<int> codes, DWORD timeout_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return arrived_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
    return std::any_of(events_.begin(), events_.end(), [&](const PipelineEvent& event) {
      return std::find(codes.begin(), codes.end(), event.code) != codes.end();
    });
  });
}

PipelineEvents EventRecorder::Events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

std::vector<int> EventRecorder::MilestoneCodes() const {
  std::vector<int> codes;
  for (const PipelineEvent& event : Events()) {
    if (event.code == 1002 || event.code == 1006 || event.code == 2002 || event.code == 5002) {
      continue;
    }
    codes.push_back(event.code);
  }
  return codes;
}

void EventRecorder::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.clear();
}

}  // namespace install_test
