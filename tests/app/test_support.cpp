#include "tests/app/test_support.h"

#include <cstdlib>

#include "app/utils/ChildProcess.h"
#include "app/utils/SystemInfo.h"

namespace testing_support {

TempDir::TempDir() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"kestrima-test-" + Utils::NewGuidString();
  CreateDirectoryW(path_.c_str(), nullptr);
}

namespace {

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

TempDir::~TempDir() {
  if (!path_.empty()) RemoveTree(path_);
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::wstring ProgramPath(const wchar_t* variable) {
  const wchar_t* value = _wgetenv(variable);
  return value ? value : L"";
}

RunResult RunAndCollect(const std::wstring& command_line) {
  RunResult result;
  Utils::ChildProcess child;
  child.Start(command_line);
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(child.OutputRead(), buffer, sizeof buffer, &got, nullptr) && got) {
    result.output.append(buffer, got);
  }
  WaitForSingleObject(child.Process(), INFINITE);
  GetExitCodeProcess(child.Process(), &result.exit_code);
  return result;
}

}  // namespace testing_support
