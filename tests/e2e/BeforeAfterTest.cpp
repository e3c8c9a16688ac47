// Pictures of the DPI and lighting pages beside how an older build showed
// them: shots/<name>-after.png is taken now, shots/<name>-before.png is the
// kept picture from tests/e2e/before, taken from commit 23edac6 (the last
// one before the DPI and lighting pages' fixes).
//
// To take the "before" pictures again, run this test against the older
// build's stage folder, with the folder to write them to:
//   TARVEL_E2E_STAGE_DIR=<stage, Windows path>
//   TARVEL_E2E_BEFORE_DIR=<tests/e2e/before, Windows path>

#include "E2eFixture.h"

#include "pages/AdvRules.h"
#include "pages/LedDlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

fs::path KeptBeforeDir() {
    std::wstring dir = L"Z:" TARVEL_SOURCE_DIR "/tests/e2e/before";
    for (wchar_t& c : dir)
        if (c == L'/')
            c = L'\\';
    return fs::path(dir);
}

// Every sensor section of cfg.ini with 8 DPI levels instead of 6: the last
// level's DPI and colour twice more.
void SetEightLevels(const fs::path& cfg) {
    std::ifstream in(cfg, std::ios::binary);
    std::string text, line;
    while (std::getline(in, line)) {
        if (line.rfind("DM=6", 0) == 0) {
            line = "DM=8\r";
        } else if (line.rfind("DPI=", 0) == 0 || line.rfind("DC=", 0) == 0) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            // The last level's value (a DPI, or a colour's three parts).
            size_t at = line.size();
            for (int parts = line[1] == 'P' ? 1 : 3; parts > 0; --parts)
                at = line.rfind(',', at - 1);
            const std::string last = line.substr(at);
            line += last + last + "\r";
        }
        text += line + "\n";
    }
    in.close();
    std::ofstream(cfg, std::ios::binary | std::ios::trunc) << text;
}

} // namespace

TEST(BeforeAfter, ThePagesBesideHowTheyLookedBefore) {
    struct Shot {
        const char* name;
        int slot;
        int pageControl; // a control only that page shows
    };
    struct Case {
        bool eightLevels; // the product's sensors with 8 DPI levels, not 6
        std::vector<Shot> shots;
    };
    const Case cases[] = {
        {false, {{"dpi-page", 1, IDC_ADV_LEVEL0}, {"lighting-page", 3, int(CLedDlg::kIdRed)}}},
        {true, {{"dpi-page-8-levels", 1, IDC_ADV_LEVEL0}}},
    };
    const wchar_t* beforeOut = ::_wgetenv(L"TARVEL_E2E_BEFORE_DIR");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.eightLevels ? "8 levels" : "6 levels");
        TarvelRun run(c.eightLevels ? "before-after-8-levels" : "before-after");
        if (c.eightLevels)
            SetEightLevels(run.Dir() / "cfg.ini");
        ASSERT_TRUE(run.Start() && run.WaitReady()) << run.Log();
        ::SetForegroundWindow(run.Main());
        for (const Shot& shot : c.shots) {
            ASSERT_TRUE(run.ShowPage(shot.slot, shot.pageControl)) << shot.name << run.Log();
            ParkPointer();
            WaitPainted(run.Main());

            const std::string name = shot.name;
            if (beforeOut && *beforeOut) {
                EXPECT_TRUE(
                    SaveWindowShot(run.Main(), fs::path(beforeOut) / (name + "-before.png")));
                continue;
            }
            EXPECT_TRUE(SaveWindowShot(run.Main(), ShotsDir() / (name + "-after.png")));
            const fs::path kept = KeptBeforeDir() / (name + "-before.png");
            const fs::path beside = ShotsDir() / (name + "-before.png");
            EXPECT_TRUE(::CopyFileW(kept.c_str(), beside.c_str(), FALSE)) << name;
        }
    }
}
