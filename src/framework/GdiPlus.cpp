#include "framework/GdiPlus.h"

#include "framework/StartupTimeline.h"

#include <map>
#include <mutex>
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

// The decoded files while a DecodedImageCache lives (on the window thread,
// which loads every image; the lock keeps a stray caller safe).
std::mutex g_mtxDecoded;
int g_nCacheScopes = 0;
std::map<std::wstring, Image> g_decoded;

Image Decode(const std::wstring& path) {
    StartupCost cost("image files decoded");
    Image image(Gdiplus::Bitmap::FromFile(path.c_str()));
    if (!image || image->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
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
    if (--g_nCacheScopes == 0)
        g_decoded.clear();
}

Image LoadImageFile(const std::wstring& path) {
    std::unique_lock lock(g_mtxDecoded);
    if (g_nCacheScopes == 0) {
        lock.unlock();
        Image image = Decode(path);
        return image ? std::move(image) : Empty();
    }
    auto found = g_decoded.find(path);
    if (found == g_decoded.end())
        found = g_decoded.emplace(path, Decode(path)).first;
    if (!found->second)
        return Empty(); // missing or undecodable: asked again, still the same
    Image copy = Copy(*found->second);
    if (copy)
        return copy;
    Image image = Decode(path);
    return image ? std::move(image) : Empty();
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
