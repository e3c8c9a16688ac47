#include "store/AppDataDir.h"

#include "platform/Platform.h"

std::u16string g_szAppDataDir;

void SetAppDataDir(const std::u16string& dir) {
    g_szAppDataDir = dir;
    if (g_szAppDataDir.empty() || (g_szAppDataDir.back() != u'/' && g_szAppDataDir.back() != u'\\'))
        g_szAppDataDir += platform::kPathSeparator;
}
