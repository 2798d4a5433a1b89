#include "tools/kestrima/ProgramSupport.h"

#include <shlobj.h>

namespace kestrima {

void StatusOutput::Write(const std::string& bytes) const {
  if (!handle_ || handle_ == INVALID_HANDLE_VALUE || bytes.empty()) return;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    const DWORD size = static_cast<DWORD>(bytes.size() - done);
    if (!WriteFile(handle_, bytes.data() + done, size, &wrote, nullptr) || wrote == 0) return;
    done += wrote;
  }
}

void StatusOutput::Line(const std::wstring& text) const {
  Write(WideToCodePage(text, CP_UTF8) + "\n");
}

std::wstring CommandLineTail(const std::wstring& command_line, const std::wstring& marker) {
  const size_t at = command_line.rfind(marker);
  if (at == std::wstring::npos) return std::wstring();
  std::wstring tail = command_line.substr(at + marker.size());
  const wchar_t* const trim = L" \t\r\n\"";
  const size_t first = tail.find_first_not_of(trim);
  if (first == std::wstring::npos) return std::wstring();
  const size_t last = tail.find_last_not_of(trim);
  return tail.substr(first, last - first + 1);
}

std::wstring SwitchValue(const std::wstring& command_line, const std::wstring& name, bool* found) {
  *found = false;
  const std::wstring key = L"-" + name + L"=";
  size_t at = command_line.find(key);
  // Only an item of its own counts, not the same letters inside another one.
  while (at != std::wstring::npos && at > 0 && command_line[at - 1] != L' ') {
    at = command_line.find(key, at + 1);
  }
  if (at == std::wstring::npos) return std::wstring();
  *found = true;
  size_t start = at + key.size();
  if (start < command_line.size() && command_line[start] == L'"') {
    const size_t end = command_line.find(L'"', start + 1);
    return command_line.substr(start + 1,
                               end == std::wstring::npos ? std::wstring::npos : end - start - 1);
  }
  const size_t end = command_line.find(L' ', start);
  return command_line.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

bool MakeFolder(const std::wstring& path) {
  if (path.empty()) return false;
  std::wstring full = path;
  for (wchar_t& c : full) {
    if (c == L'/') c = L'\\';
  }
  SHCreateDirectoryExW(nullptr, full.c_str(), nullptr);
  const DWORD attributes = GetFileAttributesW(full.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Utf8ToWide(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
  return text;
}

std::string WideToCodePage(const std::wstring& text, UINT code_page) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                      nullptr, nullptr);
  return bytes;
}

}  // namespace kestrima
