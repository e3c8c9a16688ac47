#include "framework/GdiPlus.h"

#include "framework/StartupTimeline.h"

#include "framework/DecodeOnce.h"

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

// Set on the thread that decodes files ahead, whose time the timeline counts
// apart from the window thread's.
thread_local bool t_decodingAhead = false;

Image DecodeOwn(const std::wstring& path) {
    StartupCost cost(t_decodingAhead ? "image files decoded ahead on their own thread"
                                     : "image files decoded");
    Image image(Gdiplus::Bitmap::FromFile(path.c_str()));
    if (!image || image->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    return image;
}

// The process's decoded files: the window thread loads every image, and the
// start-up thread decodes ahead the ones the first paint needs.
DecodeOnce<Gdiplus::Bitmap>& Files() {
    static DecodeOnce<Gdiplus::Bitmap> files(
        [](const std::wstring& path) { return SharedImage(DecodeOwn(path)); });
    return files;
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
    Files().Open();
}

DecodedImageCache::DecodedImageCache(std::vector<std::wstring> ahead) : DecodedImageCache() {
    m_ahead = std::thread([this, files = std::move(ahead)] {
        t_decodingAhead = true;
        for (const std::wstring& path : files) {
            if (m_stop)
                break;
            Files().DecodeAhead(path);
        }
    });
}

DecodedImageCache::~DecodedImageCache() {
    // The file being decoded is finished; the rest are left to their callers.
    m_stop = true;
    if (m_ahead.joinable())
        m_ahead.join();
    Files().Close();
}

Image LoadImageFile(const std::wstring& path) {
    SharedImage decoded;
    if (Files().IsOpen()) {
        decoded = Files().Decoded(path);
        if (!decoded)
            return Empty(); // missing or undecodable: asked again, still the same
    } else {
        decoded = Files().Held(path);
    }
    if (decoded) {
        if (Image copy = Copy(*decoded))
            return copy;
    }
    Image image = DecodeOwn(path);
    return image ? std::move(image) : Empty();
}

SharedImage LoadSharedImageFile(const std::wstring& path) {
    SharedImage image = Files().Decoded(path);
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
