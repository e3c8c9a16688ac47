// The default product's texts for the main window's menu fit the menu's
// width: a text cut there ("Export prof...") hides what the entry does.

#include "GuiFixture.h"
#include "app/AppGlobals.h"
#include "app/PopupMenu.h"
#include "framework/Handles.h"

#include <gtest/gtest.h>

namespace {

TEST(MainMenuTexts, FitTheMenuWidth) {
    // The menu keeps 12 pixels left of an entry's text and its skin's 16-pixel
    // right cap after it, and draws in a 14-pixel "MS Shell Dlg" without an
    // application font.
    constexpr int kTextIndent = 12, kRightCap = 16;
    const int width = MainMenuWidth(Txt(u"tc_msg32"));
    fw::Font font(::CreateFontW(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS,
                                L"MS Shell Dlg"));
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font.Get());
    for (const char16_t* key : {u"tc_msg32", u"tc_msg33", u"tc_msg30"}) {
        const std::wstring text = Txt(key);
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
        EXPECT_LE(size.cx, width - kTextIndent - kRightCap)
            << text << " in a " << width << "-pixel menu";
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
}

} // namespace
