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

// A PNG file decoded by the program's own decoder, which takes the common
// skin files (8-bit RGB or RGBA, no colour-space or resolution chunks) and
// gives what GDI+ gives for them: same pixels, format and resolution. Null
// for any other file, which LoadImageFile leaves to GDI+.
Image DecodeSkinPng(const std::wstring& path);

// A decoded image several owners draw from and none changes: it is released
// with its last owner.
using SharedImage = std::shared_ptr<Gdiplus::Bitmap>;
inline int Width(const SharedImage& image) {
    return image ? int(image->GetWidth()) : 0;
}
inline int Height(const SharedImage& image) {
    return image ? int(image->GetHeight()) : 0;
}

// The decoded file itself, shared with every other caller that asked for the
// same file and still holds it: one copy of a button image however many
// buttons show it. Never null; width 0 when missing or undecodable. Callers
// must not draw on it (LoadImageFile gives an image of one's own).
SharedImage LoadSharedImageFile(const std::wstring& path);

// While one lives, each file is decoded once: LoadImageFile hands out copies
// of that (start-up loads the same few button images hundreds of times, and
// copying decoded pixels costs a fraction of decoding them again), and
// LoadSharedImageFile the decoded image itself, so that even a file nobody
// holds any more is not decoded again. When it ends it lets go of its
// images; a shared image still held by a control is handed out again to
// later callers until its last owner releases it.
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
