#include "controls/SkinRegion.h"

#include "framework/StartupTimeline.h"

#include <algorithm>

namespace {
bool Near(int value, int key, int tolerance) {
    return value >= std::max(0, key - tolerance) && value <= std::min(255, key + tolerance);
}
} // namespace

std::vector<RECT> OpaqueRuns(const uint32_t* pixels, int width, int height, COLORREF key,
                             int tolerance) {
    const int kr = GetRValue(key), kg = GetGValue(key), kb = GetBValue(key);
    std::vector<RECT> runs;
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels + size_t(y) * size_t(width);
        int x = 0;
        while (x < width) {
            auto isKey = [&](uint32_t p) {
                return Near(int((p >> 16) & 0xFF), kr, tolerance) &&
                       Near(int((p >> 8) & 0xFF), kg, tolerance) &&
                       Near(int(p & 0xFF), kb, tolerance);
            };
            while (x < width && isKey(row[x]))
                ++x;
            const int start = x;
            while (x < width && !isKey(row[x]))
                ++x;
            if (x > start)
                runs.push_back({start, y, x, y + 1});
        }
    }
    return runs;
}

uint32_t OverKey(uint32_t argb, COLORREF key) {
    const uint32_t alpha = argb >> 24;
    const uint32_t keyRgb =
        uint32_t(GetRValue(key)) << 16 | uint32_t(GetGValue(key)) << 8 | uint32_t(GetBValue(key));
    if (alpha == 0xFF)
        return argb & 0xFFFFFF;
    if (alpha == 0)
        return keyRgb;
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t c = (argb >> shift) & 0xFF, k = (keyRgb >> shift) & 0xFF;
        out |= ((c * alpha + k * (0xFF - alpha)) / 0xFF) << shift;
    }
    return out;
}

fw::Region RegionFromImage(Gdiplus::Bitmap& image, COLORREF key, int tolerance) {
    fw::StartupCost cost("window regions built");
    const int w = int(image.GetWidth()), h = int(image.GetHeight());
    // The decoded pixels are read in place, each laid over the key colour as
    // drawing the image onto it would (a fully transparent pixel becomes
    // exactly the key): drawing the whole image first cost more than the rest.
    Gdiplus::BitmapData data{};
    Gdiplus::Rect all(0, 0, w, h);
    if (image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) !=
        Gdiplus::Ok)
        return fw::Region(::CreateRectRgn(0, 0, w, h));
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(
            static_cast<const uint8_t*>(data.Scan0) + y * data.Stride);
        uint32_t* out = pixels.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x)
            out[x] = OverKey(row[x], key);
    }
    image.UnlockBits(&data);

    const std::vector<RECT> runs = OpaqueRuns(pixels.data(), w, h, key, tolerance);
    fw::Region result(::CreateRectRgn(0, 0, 0, 0));
    constexpr size_t kBatch = 2000;
    for (size_t first = 0; first < runs.size(); first += kBatch) {
        const size_t count = std::min(kBatch, runs.size() - first);
        std::vector<BYTE> buffer(sizeof(RGNDATAHEADER) + count * sizeof(RECT));
        auto* rgn = reinterpret_cast<RGNDATA*>(buffer.data());
        rgn->rdh = {sizeof(RGNDATAHEADER), RDH_RECTANGLES, DWORD(count), 0, {0, 0, w, h}};
        std::copy_n(runs.begin() + long(first), count, reinterpret_cast<RECT*>(rgn->Buffer));
        fw::Region batch(::ExtCreateRegion(nullptr, DWORD(buffer.size()), rgn));
        if (batch)
            ::CombineRgn(result.Get(), result.Get(), batch.Get(), RGN_OR);
    }
    return result;
}
