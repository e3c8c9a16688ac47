#include "framework/GdiPlus.h"

#include "framework/StartupTimeline.h"
#include "platform/Files.h"
#include "platform/PngDecode.h"

#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace fw {

GdiplusSession::GdiplusSession() {
    Gdiplus::GdiplusStartupInput input; // version 1, no debug callback, background thread
    m_ok = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
}

GdiplusSession::~GdiplusSession() {
    if (m_ok)
        Gdiplus::GdiplusShutdown(m_token);
}

namespace {

// The decoded files (on the window thread, which loads every image; the lock
// keeps a stray caller safe). While a DecodedImageCache lives, `held` keeps
// each file decoded and `missing` remembers the files that could not be;
// `shared` finds an image some control still holds at any time.
struct Decoded {
    SharedImage held;
    std::weak_ptr<Gdiplus::Bitmap> shared;
    bool missing = false;
};
std::mutex g_mtxDecoded;
int g_nCacheScopes = 0;
std::map<std::wstring, Decoded> g_decoded;

// What GDI+ reports for a PNG file that names no resolution (no pHYs chunk,
// which the own decoder leaves to GDI+).
constexpr Gdiplus::REAL kPngDefaultDpi = 96;

} // namespace

// Decoded straight into the bitmap's pixels: GDI+ decodes through the
// system's codec layer, which costs several times the decoding itself.
Image DecodeSkinPng(const std::wstring& path) {
    std::optional<std::string> bytes =
        platform::ReadWholeFile(std::u16string(path.begin(), path.end()));
    if (!bytes)
        return nullptr;
    const std::span<const uint8_t> file(reinterpret_cast<const uint8_t*>(bytes->data()),
                                        bytes->size());
    std::optional<png::PngLayout> layout = png::ReadPngLayout(file);
    if (!layout)
        return nullptr;
    // The formats GDI+ gives these files: ARGB with alpha, 24-bit RGB without.
    const Gdiplus::PixelFormat format =
        layout->pixels == png::PngPixels::Rgba ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    const INT width = INT(layout->width), height = INT(layout->height);
    Image image = std::make_unique<Gdiplus::Bitmap>(width, height, format);
    if (image->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData pixels;
    if (image->LockBits(&all, Gdiplus::ImageLockModeWrite, format, &pixels) != Gdiplus::Ok)
        return nullptr;
    const bool decoded =
        png::DecodePngRows(*layout, static_cast<uint8_t*>(pixels.Scan0), pixels.Stride);
    image->UnlockBits(&pixels);
    if (!decoded)
        return nullptr;
    image->SetResolution(kPngDefaultDpi, kPngDefaultDpi);
    return image;
}

namespace {

Image DecodeOwn(const std::wstring& path) {
    StartupCost cost("image files decoded");
    if (Image image = DecodeSkinPng(path))
        return image;
    // Any other file, and a damaged one, as GDI+ reads it (errors included).
    Image image(Gdiplus::Bitmap::FromFile(path.c_str()));
    if (!image || image->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    return image;
}

// The image the cache or an owner still holds; null when none does (or, while
// the cache lives, the file is known to be missing: `missing` tells).
SharedImage HeldLocked(const std::wstring& path, bool& missing) {
    missing = false;
    auto found = g_decoded.find(path);
    if (found == g_decoded.end())
        return nullptr;
    missing = g_nCacheScopes > 0 && found->second.missing;
    return found->second.shared.lock();
}

// The file's decoded image, decoding it when neither the cache nor an owner
// holds it; null when missing or undecodable. Called under g_mtxDecoded.
SharedImage DecodedLocked(const std::wstring& path) {
    bool missing = false;
    if (SharedImage image = HeldLocked(path, missing))
        return image;
    if (missing)
        return nullptr;
    SharedImage image = DecodeOwn(path);
    Decoded& entry = g_decoded[path];
    entry.shared = image;
    if (g_nCacheScopes > 0) {
        entry.held = image;
        entry.missing = !image;
    }
    return image;
}

// A copy with its own pixels, its resolution and format; null for formats
// whose copy may differ (palettes), which are decoded each time instead.
Image Copy(Gdiplus::Bitmap& image) {
    const Gdiplus::PixelFormat format = image.GetPixelFormat();
    if (Gdiplus::IsIndexedPixelFormat(format))
        return nullptr;
    StartupCost cost("decoded images copied");
    Image copy(image.Clone(0, 0, int(image.GetWidth()), int(image.GetHeight()), format));
    if (!copy || copy->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    copy->SetResolution(image.GetHorizontalResolution(), image.GetVerticalResolution());
    return copy;
}

Image Empty() {
    return std::make_unique<Gdiplus::Bitmap>(0, 0, PixelFormat32bppARGB);
}

} // namespace

DecodedImageCache::DecodedImageCache() {
    std::lock_guard lock(g_mtxDecoded);
    ++g_nCacheScopes;
}

DecodedImageCache::~DecodedImageCache() {
    std::lock_guard lock(g_mtxDecoded);
    if (--g_nCacheScopes > 0)
        return;
    for (auto it = g_decoded.begin(); it != g_decoded.end();) {
        it->second.held.reset();
        it->second.missing = false;
        it = it->second.shared.expired() ? g_decoded.erase(it) : std::next(it);
    }
}

Image LoadImageFile(const std::wstring& path) {
    std::unique_lock lock(g_mtxDecoded);
    SharedImage decoded;
    if (g_nCacheScopes > 0) {
        decoded = DecodedLocked(path);
        if (!decoded)
            return Empty(); // missing or undecodable: asked again, still the same
    } else {
        bool missing = false;
        decoded = HeldLocked(path, missing);
    }
    if (decoded) {
        if (Image copy = Copy(*decoded))
            return copy;
    }
    lock.unlock();
    Image image = DecodeOwn(path);
    return image ? std::move(image) : Empty();
}

SharedImage LoadSharedImageFile(const std::wstring& path) {
    std::lock_guard lock(g_mtxDecoded);
    SharedImage image = DecodedLocked(path);
    return image ? image : SharedImage(Empty());
}

namespace {
bool PngEncoder(CLSID& clsid) {
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0)
        return false;
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(codecs[i].MimeType) == L"image/png") {
            clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}
} // namespace

bool SavePng(Gdiplus::Bitmap& image, const std::wstring& path) {
    CLSID png;
    return PngEncoder(png) && image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

} // namespace fw
