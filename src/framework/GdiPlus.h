#pragma once
// GDI+ for the skin: the session the application opens, and owned bitmaps.

#include <windows.h>

#include <objidl.h>

// gdiplus.h expects min/max from windows.h, which NOMINMAX removes.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

#include <memory>
#include <string>

namespace fw {

// GdiplusStartup for the scope; the token is what ExitInstance shuts down.
class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool Ok() const { return m_ok; }

private:
    ULONG_PTR m_token = 0;
    bool m_ok = false;
};

using Image = std::unique_ptr<Gdiplus::Bitmap>;

// Loads an image file; a file that is missing or cannot be decoded gives an
// image whose width is 0 (never nullptr), so callers test Width().
Image LoadImageFile(const std::wstring& path);
inline int Width(const Image& image) {
    return image ? int(image->GetWidth()) : 0;
}
inline int Height(const Image& image) {
    return image ? int(image->GetHeight()) : 0;
}

// While one lives, LoadImageFile decodes each file once and hands out copies
// of that: start-up loads the same few button images hundreds of times, and
// copying decoded pixels costs a fraction of decoding them again. The decoded
// images are released with it, so nothing stays held after start-up.
class DecodedImageCache {
public:
    DecodedImageCache();
    ~DecodedImageCache();
    DecodedImageCache(const DecodedImageCache&) = delete;
    DecodedImageCache& operator=(const DecodedImageCache&) = delete;
};

// Saves an image as PNG (screenshots in tests).
bool SavePng(Gdiplus::Bitmap& image, const std::wstring& path);

} // namespace fw
