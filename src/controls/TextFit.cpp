#include "controls/TextFit.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

int FitLineHeight(int preferred, int smallest, int room, const std::function<int(int)>& widthAt) {
    const int width = widthAt(preferred);
    if (width <= room || preferred <= smallest)
        return preferred;
    // Text width grows about in step with the font height: start near the
    // height that fits and step down from there.
    int height =
        std::clamp(int(int64_t(preferred) * std::max(room, 0) / width), smallest, preferred - 1);
    while (height > smallest && widthAt(height) > room)
        --height;
    return height;
}

fw::Font FitFont(HDC dc, HFONT font, const std::wstring& text, int room, int smallest) {
    LOGFONTW lf{};
    if (!font || text.empty() || !::GetObjectW(font, sizeof lf, &lf) || lf.lfHeight == 0)
        return {};
    const int preferred = std::abs(int(lf.lfHeight));
    const int sign = lf.lfHeight < 0 ? -1 : 1;
    auto widthAt = [&](int height) {
        LOGFONTW sized = lf;
        sized.lfHeight = sign * height;
        const fw::Font candidate(::CreateFontIndirectW(&sized));
        const fw::SelectScope select(dc, height == preferred ? font : candidate.Get());
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
        return int(size.cx);
    };
    const int height = FitLineHeight(preferred, smallest, room, widthAt);
    if (height == preferred)
        return {};
    lf.lfHeight = sign * height;
    return fw::Font(::CreateFontIndirectW(&lf));
}
