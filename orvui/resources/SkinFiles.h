#pragma once
// Reading named skin files through the process-wide resource settings: from
// loose files under the skin root, or from the skin archive.
//
// Thread contract: UI thread only (the settings are not locked). Reads are
// synchronous file or memory copies; the caller owns the returned bytes.

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace OrvUI {

// Markup files (and the language file) are refused above 4 MiB.
constexpr size_t kMaxMarkupBytes = 4194304;

// Reads a markup file. On failure returns false with one of the fixed
// messages ("Error opening file", "File is empty", "File too large",
// "Could not read file", "Error opening zip file", "Could not find ziped
// file", "Could not unzip file") in *error.
bool ReadSkinMarkup(const std::wstring& name, std::vector<unsigned char>* bytes,
                    const wchar_t** error);

// Reads the raw bytes of an image. name may be a numeric id made with
// MAKEINTRESOURCEW when a resource type is given. False when nothing was
// found anywhere.
bool ReadSkinImage(const wchar_t* name, const wchar_t* resourceType,
                   std::vector<unsigned char>* bytes);

}  // namespace OrvUI
