#include "orvui/render/DrawEngine.h"

#include <cwchar>
#include <vector>

#include "orvui/resources/SkinFiles.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#include <stb_image.h>

namespace OrvUI {

namespace {

ImageData* MakeBitmap(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return nullptr;
  ImageData* image = new ImageData();
  image->bitmap = bitmap;
  image->pixels = static_cast<BYTE*>(bits);
  image->width = width;
  image->height = height;
  return image;
}

}  // namespace

ImageData* CDrawEngine::DecodeImage(const wchar_t* name, const wchar_t* resourceType, DWORD mask) {
  if (name == nullptr) return nullptr;
  if (resourceType != nullptr && std::wcscmp(resourceType, L"*COLOR*") == 0) {
    if (IS_INTRESOURCE(name)) return nullptr;
    const wchar_t* text = name;
    if (*text == L'#') ++text;
    const DWORD argb = static_cast<DWORD>(std::wcstoul(text, nullptr, 16));
    ImageData* image = MakeBitmap(1, 1);
    if (image == nullptr) return nullptr;
    const BYTE a = static_cast<BYTE>(argb >> 24);
    const BYTE r = static_cast<BYTE>(argb >> 16);
    const BYTE g = static_cast<BYTE>(argb >> 8);
    const BYTE b = static_cast<BYTE>(argb);
    image->pixels[0] = static_cast<BYTE>(b * a / 255);
    image->pixels[1] = static_cast<BYTE>(g * a / 255);
    image->pixels[2] = static_cast<BYTE>(r * a / 255);
    image->pixels[3] = a;
    image->hasAlpha = a < 255;
    return image;
  }

  std::vector<unsigned char> bytes;
  if (!ReadSkinImage(name, resourceType, &bytes)) return nullptr;
  if (bytes.size() > 0x7FFFFFFF) return nullptr;
  int width = 0;
  int height = 0;
  int channels = 0;
  stbi_uc* rgba = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width,
                                        &height, &channels, 4);
  bytes.clear();
  if (rgba == nullptr) return nullptr;
  ImageData* image = MakeBitmap(width, height);
  if (image == nullptr) {
    stbi_image_free(rgba);
    return nullptr;
  }
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (size_t i = 0; i < count; ++i) {
    const stbi_uc* src = rgba + i * 4;
    BYTE* dst = image->pixels + i * 4;
    const BYTE a = src[3];
    dst[3] = a;
    if (a == 255) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
    } else {
      dst[0] = static_cast<BYTE>(src[2] * a / 255);
      dst[1] = static_cast<BYTE>(src[1] * a / 255);
      dst[2] = static_cast<BYTE>(src[0] * a / 255);
      image->hasAlpha = true;
    }
    const DWORD value = static_cast<DWORD>(dst[0]) | (static_cast<DWORD>(dst[1]) << 8) |
                        (static_cast<DWORD>(dst[2]) << 16) | (static_cast<DWORD>(dst[3]) << 24);
    if (value == mask) {
      dst[0] = dst[1] = dst[2] = dst[3] = 0;
      image->hasAlpha = true;
    }
  }
  stbi_image_free(rgba);
  return image;
}

void CDrawEngine::ReleaseImage(ImageData* image) {
  if (image == nullptr) return;
  if (image->bitmap != nullptr) DeleteObject(image->bitmap);
  delete image;
}

}  // namespace OrvUI
