#pragma once
// Helpers shared by the framework tests: fixture paths and switching the
// process-wide skin source between tests.

#include <windows.h>

#include <string>
#include <vector>

namespace OrvUITest {

// The folder of the test program, ending in a backslash; the generated
// skin folder and skin.7z live there.
std::wstring ExeFolder();
std::wstring SkinFolder();
std::wstring SkinArchivePath();
std::vector<unsigned char> ReadFileBytes(const std::wstring& path);

// Reads skin files as loose files under the given root.
void UseLooseSkin(const std::wstring& root);
// Reads skin files from an archive held in memory (decoded now).
void UseSkinArchive(const std::vector<unsigned char>& bytes);

}  // namespace OrvUITest
