#include "controls/SkinAssets.h"

#include "settings/TextTable.h"

std::wstring g_szExeDir;
fw::Font g_fontApp;

std::wstring SkinPath(const std::wstring& name) {
    return g_szExeDir + L"skins\\" + name;
}

std::wstring Txt(const char16_t* key) {
    return W(settings::Text(key));
}
