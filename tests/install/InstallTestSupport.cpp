#include "tests/install/InstallTestSupport.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include <curl/curl.h>

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

bool ControlDownloadServer(const std::string& what, const std::string& json) {
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  const std::string url = Utils::ToUtf8(ServerUrl()) + "/_control/" + what;
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, json.c_str());
  curl_easy_setopt(
      curl, CURLOPT_WRITEFUNCTION,
      +[](char*, size_t size, size_t count, void*) { return size * count; });
  long status = 0;
  if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return status == 200;
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
