#include <gtest/gtest.h>

#include <shlwapi.h>

#include "app/utils/Files.h"
#include "app/utils/HardDiskManager.h"
#include "app/utils/Md5.h"
#include "app/utils/Process.h"
#include "app/utils/Registry.h"
#include "app/utils/SystemInfo.h"
#include "tests/app/test_support.h"

namespace {

using testing_support::TempDir;

TEST(FileMd5, KnownDigests) {
  TempDir dir;
  std::string big(1572865, '\0');  // over 1 MiB, not a multiple of any block
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 31 + 7) % 251);
  struct Case {
    const wchar_t* name;
    std::string bytes;
    const wchar_t* md5;
  } cases[] = {
      {L"empty", "", L"d41d8cd98f00b204e9800998ecf8427e"},
      {L"abc", "abc", L"900150983cd24fb0d6963f7d28e17f72"},
      {L"55", std::string(55, 'a'), L"ef1772b6dff9a122358552954ad0df65"},
      {L"56", std::string(56, 'a'), L"3b0c8ac703f828b04c6c197006d17218"},
      {L"64", std::string(64, 'a'), L"014842d480b571495a4a0363793f7367"},
      {L"1024", std::string(1024, 'a'), L"c9a34cfc85d982698c6ac89f76071abd"},
      {L"big", big, L"edfb3db683bfe1876dfc350c7227293a"},
      // A name the ANSI code page may not spell still hashes.
      {L"\u5b89\u88c5\u5305.exe", "abc", L"900150983cd24fb0d6963f7d28e17f72"},
  };
  for (const Case& c : cases) {
    testing_support::WriteFileBytes(dir.File(c.name), c.bytes);
    EXPECT_EQ(Utils::FileMd5(dir.File(c.name)), c.md5) << c.name;
  }
  EXPECT_EQ(Utils::FileMd5(dir.File(L"missing")), L"");
  EXPECT_EQ(Utils::FileMd5(L""), L"");
}

TEST(Md5, SplitUpdatesMatchOneUpdate) {
  const std::string text = "The quick brown fox jumps over the lazy dog";
  for (size_t split = 0; split <= text.size(); ++split) {
    Utils::Md5 md5;
    md5.Update(text.data(), split);
    md5.Update(text.data() + split, text.size() - split);
    EXPECT_EQ(md5.FinishHex(), "9e107d9d372bb6826bd81d3542a419d6") << split;
  }
}

TEST(CreateDirectoryTree, LengthLimitAndNesting) {
  TempDir dir;
  const std::wstring base = dir.path() + L"\\";
  auto path_of_length = [&](size_t length) {
    std::wstring p = base;
    while (p.size() < length) {
      p += std::wstring(std::min<size_t>(20, length - p.size()), L'd');
      if (p.size() < length - 1) p += L"\\";
    }
    return p.substr(0, length);
  };
  const std::wstring too_long = path_of_length(261);
  ASSERT_EQ(too_long.size(), 261u);
  EXPECT_FALSE(Utils::CreateDirectoryTree(too_long));
  EXPECT_FALSE(PathFileExistsW((base + L"dddddddddddddddddddd").c_str()))
      << "a refused path must not leave any level behind";

  const std::wstring at_limit = path_of_length(260);
  ASSERT_NE(at_limit.back(), L'\\');
  EXPECT_TRUE(Utils::CreateDirectoryTree(at_limit));
  EXPECT_TRUE(PathIsDirectoryW(at_limit.c_str()));
  EXPECT_TRUE(Utils::CreateDirectoryTree(at_limit)) << "an existing folder succeeds";

  const std::wstring trailing = base + L"x\\y\\z\\";
  EXPECT_TRUE(Utils::CreateDirectoryTree(trailing));
  EXPECT_TRUE(PathIsDirectoryW(trailing.c_str()));

  // A level that is a file cannot become a folder.
  testing_support::WriteFileBytes(base + L"file", "x");
  EXPECT_FALSE(Utils::CreateDirectoryTree(base + L"file\\sub"));
}

TEST(GetTempFolder, PrivateFolderExistsAndEndsWithBackslash) {
  const std::wstring folder = Utils::GetTempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'\\');
  EXPECT_NE(folder.find(L"\\~OrvaneTemp.92482B06FB471E17\\"), std::wstring::npos);
  EXPECT_TRUE(PathIsDirectoryW(folder.c_str()));
}

TEST(Registry, ProductKeyRoundTrip) {
  const std::wstring name = L"TestValue_" + Utils::NewGuidString();
  std::wstring text = L"unchanged";
  EXPECT_FALSE(Utils::RegReadString(name, &text));
  EXPECT_EQ(text, L"");
  ASSERT_TRUE(Utils::RegWriteString(name, L"C:\\Program Files\\\u5b89\u88c5"));
  ASSERT_TRUE(Utils::RegReadString(name, &text));
  EXPECT_EQ(text, L"C:\\Program Files\\\u5b89\u88c5");
  ASSERT_TRUE(Utils::RegWriteString(name, L""));
  ASSERT_TRUE(Utils::RegReadString(name, &text));
  EXPECT_EQ(text, L"");
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Utils::kProductRegistryKey, 0, KEY_SET_VALUE, &key),
            ERROR_SUCCESS);
  RegDeleteValueW(key, name.c_str());
  RegCloseKey(key);
}

TEST(FindProcessByName, ExactNameOnly) {
  TempDir dir;
  const std::wstring exe = dir.File(L"KestrimaProbe.exe");
  ASSERT_TRUE(CopyFileW(testing_support::ProgramPath(L"KESTRIMA_EXE_UTILS_CHILD").c_str(),
                        exe.c_str(), FALSE));
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + exe + L"\" sleep 10000";
  ASSERT_TRUE(
      CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  DWORD found = 0;
  for (int i = 0; i < 100 && !found; ++i) {
    found = Utils::FindProcessByName(L"KestrimaProbe.exe");
    if (!found) Sleep(50);
  }
  EXPECT_EQ(found, pi.dwProcessId);
  EXPECT_EQ(Utils::FindProcessByName(L"kestrimaprobe.exe"), 0u);
  EXPECT_EQ(Utils::FindProcessByName(L"KestrimaProbe"), 0u);
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
}

TEST(HardDiskManager, ReportsTheSystemDrive) {
  Utils::HardDiskManager disk;
  ASSERT_TRUE(disk.CheckFreeSpace(L"C:"));
  EXPECT_GT(disk.total_bytes, 0u);
  EXPECT_LE(disk.free_bytes_available, disk.total_bytes);
  Utils::HardDiskManager missing;
  EXPECT_FALSE(missing.CheckFreeSpace(L"Q:\\no\\such\\drive"));
}

}  // namespace
