#pragma once
// Image decoding for the framework's image caches.
//
// Thread contract: UI thread (it reads the skin through the process-wide
// resource settings, which are not locked). Stateless otherwise; the caller
// owns the returned image and frees it with ReleaseImage.

#include <string>

#include "orvui/render/ImageData.h"

namespace OrvUI {

class CDrawEngine {
 public:
  // name is a skin file name, or a numeric resource id made with
  // MAKEINTRESOURCEW when a resource type is given. A resource type of
  // "*COLOR*" makes a 1 x 1 image of the colour written in name.
  static ImageData* DecodeImage(const wchar_t* name, const wchar_t* resourceType, DWORD mask);
  static void ReleaseImage(ImageData* image);
};

}  // namespace OrvUI
