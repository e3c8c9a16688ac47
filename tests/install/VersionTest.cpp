// One version number: the about box shows the program's own version through
// the product's version text.

#include "controls/SkinAssets.h"
#include "pages/AboutDlg.h"
#include "settings/TextTable.h"

#include "InstallFixture.h"
#include "TarvelVersion.h"

#include <gtest/gtest.h>

TEST(Version, TheVersionTextTakesTheProgramsVersion) {
    const struct {
        const wchar_t* text;
        const wchar_t* version;
        const wchar_t* shown;
    } cases[] = {
        {L"Version {version}", L"1.2.3", L"Version 1.2.3"},
        {L"v{version} ({version})", L"2.0.0", L"v2.0.0 (2.0.0)"},
        {L"Version 1.0.0", L"2.0.0", L"Version 1.0.0"}, // a product's fixed text stays
        {L"{Version} {versio", L"2.0.0", L"{Version} {versio"},
        {L"", L"2.0.0", L""},
        // A version that itself looks like the mark is put in once.
        {L"[{version}]", L"{version}", L"[{version}]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VersionLine(c.text, c.version), c.shown) << c.text;
}

TEST(Version, TheShippedAboutBoxShowsTheProjectVersion) {
    const std::wstring texts = (install::ReleaseFolder() / L"text.xml").wstring();
    settings::LoadTextTable(U(texts));
    EXPECT_EQ(VersionLine(Txt(u"tc_version"), TARVEL_VERSION_WTEXT),
              std::wstring(L"Version ") + TARVEL_VERSION_WTEXT);
}
