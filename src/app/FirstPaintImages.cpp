#include "app/FirstPaintImages.h"

#include "controls/SkinAssets.h"
#include "settings/Settings.h"

#include <cwchar>
#include <iterator>

std::vector<std::wstring> FirstPaintImageFiles() {
    // The notification window, the frame and its buttons, then the first
    // page (the keys page): its background, slider, key numbers, bars, key
    // buttons and mouse picture.
    static const wchar_t* const kBefore[] = {
        L"notify.png",  L"main_nr.png", L"msg_nr.png",    L"min_nr.png",    L"min_ov.png",
        L"exit_nr.png", L"exit_ov.png", L"about.png",     L"navi_nr.png",   L"navi_dn.png",
        L"btn_nr.png",  L"btn_ov.png",  L"probtn_nr.png", L"probtn_dn.png", L"key_nr.png",
        L"slider.png",  L"bar_dot.png",
    };
    static const wchar_t* const kAfter[] = {
        L"powerbar1.png", L"powerbar2.png", L"powerbar3.png", L"radio_nr.png",
        L"radio_dn.png",  L"keybtn_nr.png", L"keybtn_ov.png", L"bar2.png",
        L"bar2_ov.png",   L"mouse_nr.png",  L"mouse_dn.png",
    };
    std::vector<std::wstring> files;
    files.reserve(std::size(kBefore) + kKeysPerMode + std::size(kAfter));
    for (const wchar_t* name : kBefore)
        files.push_back(SkinPath(name));
    for (int i = 1; i <= kKeysPerMode; ++i) {
        wchar_t name[32];
        std::swprintf(name, std::size(name), L"number%d.png", i);
        files.push_back(SkinPath(name));
    }
    for (const wchar_t* name : kAfter)
        files.push_back(SkinPath(name));
    return files;
}
