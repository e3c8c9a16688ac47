#include "framework/GdiPlus.h"

#include "framework/StartupTimeline.h"

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

Image LoadImageFile(const std::wstring& path) {
    StartupCost cost("image files decoded");
    Image image(Gdiplus::Bitmap::FromFile(path.c_str()));
    if (!image || image->GetLastStatus() != Gdiplus::Ok)
        image = std::make_unique<Gdiplus::Bitmap>(0, 0, PixelFormat32bppARGB);
    return image;
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
