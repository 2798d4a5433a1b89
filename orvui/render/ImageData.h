#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace OrvUI {

// One decoded skin image, shared by every user of the same name through the
// managers' image caches. The bitmap is top-down, 32 bits per pixel, in the
// order blue, green, red, alpha, premultiplied by alpha.
struct ImageData {
  HBITMAP bitmap = nullptr;
  BYTE* pixels = nullptr;          // the bitmap's own memory
  std::vector<BYTE> sourcePixels;  // kept only for hue/saturation/lightness use
  int width = 0;
  int height = 0;
  bool hasAlpha = false;
  bool usesHSL = false;
  std::wstring resourceType;
  DWORD mask = 0;
};

}  // namespace OrvUI
