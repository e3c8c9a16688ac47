#include "settings/Settings.h"

#include "common/TestUtil.h"
#include "model/InitData.h"
#include "model/SensorCatalogue.h"
#include "platform/MessageBox.h"
#include "settings/Log.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using settings::g_opt;
using settings::Rect;
using settings::Rgb;

namespace {

// A sensor section that loads without a message, so only OPT speaks.
const char kSensor[] = "[SENSOR_1]\nSensor=0x3325\nDM=6\nDPI=800,1200,2000,3200,4000,5000\n"
                       "MDNUM=9\nKM=2\nK1_1=1,11,0,1\n";

struct Case {
    const char* name;
    const char* opt; // lines of [OPT]
    std::function<void()> check;
    std::vector<std::string> messages; // besides none
};

std::vector<Case> Cases() {
    return {
        {"defaults",
         "",
         [] {
             EXPECT_EQ(g_opt.FontSize, 12);
             EXPECT_EQ(g_opt.VID, 0x25A7);
             EXPECT_EQ(g_opt.PID, 0xFA92);
             EXPECT_EQ(g_opt.PID2[0], 0xFA99);
             EXPECT_EQ(g_opt.TrayIcon, 2);
             EXPECT_EQ(g_opt.ShowEx, 0x010101);
             EXPECT_EQ(g_opt.rcSubDlg, (Rect{4, 102, 998, 602}));
             EXPECT_EQ(g_opt.rcPro5, (Rect{859, 620, 987, 652}));
             EXPECT_EQ(g_opt.clrBkg, Rgb(133, 130, 128));
             EXPECT_EQ(g_opt.MainRGB[3], 255);
             EXPECT_EQ(g_opt.LedOpt[1].values[0], 1);
             EXPECT_EQ(g_opt.LogoLedOpt[1].values[1], 0);
             EXPECT_EQ(g_opt.LedOpt[3].colours[6], Rgb(250, 0, 250));
             EXPECT_EQ(g_opt.LedSp, 80);
         },
         {}},
        {"hex and decimal sensor ids agree",
         "Sensor=0x3360",
         [] { EXPECT_EQ(g_opt.Sensor, 13152); },
         {"Warning: pSensorCfg is null"}},
        {"16-bit keys keep the low half",
         "VID=0x125A7\nMacro_Opt_X=-1",
         [] {
             EXPECT_EQ(g_opt.VID, 0x25A7);
             EXPECT_EQ(g_opt.Macro_Opt_X, 0xFFFF);
         },
         {}},
        {"rect-size adds left and top; rect does not",
         "rcPro2=452,620,128,32\nrcNaviBtn2=452,620,128,32",
         [] {
             EXPECT_EQ(g_opt.rcPro2, (Rect{452, 620, 580, 652}));
             EXPECT_EQ(g_opt.rcNaviBtn2, (Rect{452, 620, 128, 32}));
         },
         {}},
        {"short rects keep their defaults",
         "rcKeyList=1,2,3\nrcHomePageBtn=1,2,3\nrcTitle1=1,2,3,4,5",
         [] {
             EXPECT_EQ(g_opt.rcKeyList, (Rect{326, 76, 499, 395}));
             EXPECT_EQ(g_opt.rcHomePageBtn, (Rect{0, 0, 0, 0}));
             EXPECT_EQ(g_opt.rcTitle1, (Rect{1, 2, 3, 4}));
         },
         {"Error: Wrong rect num", "Error: Wrong rect num"}},
        {"points",
         "ptMin=1\nptPower=0,500\nptApply=7,8,9",
         [] {
             EXPECT_EQ(g_opt.ptMin, (settings::Point{915, 10}));
             // A power control without a column of its own stands under ptRate.
             EXPECT_EQ(g_opt.ptPower, (settings::Point{605, 500}));
             EXPECT_EQ(g_opt.ptApply, (settings::Point{7, 8}));
         },
         {"Error: Wrong POINT num"}},
        {"colours",
         "Txt_clr=255\nBtn_txt_clr_nr=0,0,255\nMenu_txt_clr_nr=300,0,0\nclrEdit=\nclrBkg=x",
         [] {
             EXPECT_EQ(g_opt.Txt_clr, Rgb(255, 0, 0));
             EXPECT_EQ(g_opt.Btn_txt_clr_nr, 0xFF0000u);
             EXPECT_EQ(g_opt.Menu_txt_clr_nr, Rgb(44, 0, 0));
             EXPECT_EQ(g_opt.clrEdit, Rgb(20, 20, 20));
             EXPECT_EQ(g_opt.clrBkg, Rgb(133, 130, 128));
             EXPECT_EQ(g_opt.clrMsgBtnTxtNr, 0xFF0000u); // follows the button colour
         },
         {}},
        {"message button colours when given",
         "Btn_txt_clr_ov=1,2,3\nclrMsgBtnTxtOv=4,5,6",
         [] { EXPECT_EQ(g_opt.clrMsgBtnTxtOv, Rgb(4, 5, 6)); },
         {}},
        {"product ids",
         "PID2=fa99,fa9a",
         [] {
             EXPECT_EQ(g_opt.PID2[0], 0xFA99);
             EXPECT_EQ(g_opt.PID2[1], 0xFA9A);
         },
         {}},
        {"empty PID2 keeps the default",
         "PID2=",
         [] {
             EXPECT_EQ(g_opt.PID2[0], 0xFA99);
             EXPECT_EQ(g_opt.PID2[1], 0);
         },
         {}},
        {"lighting options",
         "LedOpt2=1,0,0,0,1\nLogoLedOpt1=1,1,1,1,1,10,20,30,40",
         [] {
             const auto& main2 = g_opt.LedOpt[1];
             EXPECT_EQ(main2.present, 1);
             EXPECT_EQ(std::vector<int32_t>(main2.values, main2.values + 5),
                       (std::vector<int32_t>{1, 0, 0, 0, 1}));
             EXPECT_EQ(main2.colours[1], Rgb(0, 0, 255));
             const auto& logo1 = g_opt.LogoLedOpt[0];
             EXPECT_EQ(logo1.colours[0], Rgb(10, 20, 30));
             EXPECT_EQ(logo1.colours[1], Rgb(40, 0, 0));
             EXPECT_EQ(logo1.colours[2], 0u);
         },
         {}},
        {"texts are cut to their field",
         "Title=\"  0123456789012345678901234567890123456789xyz  \"",
         [] { EXPECT_EQ(std::u16string(g_opt.Title), u"  0123456789012345678901234567890123456"); },
         {}},
        {"checked values",
         "appdir=\nMacProtocol=3\nSnipMenu=1,16",
         [] {
             EXPECT_EQ(g_opt.SnipMenuCount, 2);
             EXPECT_EQ(g_opt.SnipMenu[1], 16);
         },
         {"Error: APPDATA=NULL", "Error: Macro Protocol is unknown", "Error: Dpi lock menus > 15"}},
        {"first occurrence counts", "Pop=1\nPOP=0", [] { EXPECT_EQ(g_opt.Pop, 1); }, {}},
        {"report text list",
         "ReportText=1,2,x,4",
         [] {
             EXPECT_EQ(g_opt.ReportText[0], 1);
             EXPECT_EQ(g_opt.ReportText[1], 2);
             EXPECT_EQ(g_opt.ReportText[2], 0);
         },
         {}},
    };
}

TEST(SettingsTest, ReadsEveryKindOfValue) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        testutil::TempDir dir;
        bool defaultOk = std::string(c.opt).find("appdir") == std::string::npos &&
                         std::string(c.opt).find("MacProtocol") == std::string::npos;
        std::string opt =
            std::string("[OPT]\n") + (defaultOk ? "appdir=T\nMacProtocol=1\n" : "") + c.opt +
            "\nSensor=" +
            (std::string(c.opt).find("Sensor=") == std::string::npos ? "0x3325" : "") + "\n";
        dir.Write("cfg.ini", opt + kSensor);
        testutil::MessageRecorder recorder;
        settings::InitData(dir.Dir());
        c.check();
        EXPECT_EQ(recorder.Texts(), c.messages);
    }
}

// Values that would leave the program unable to work take their defaults and
// say so in the log; usable values at the edges stay.
TEST(SettingsTest, UnusableValuesFallBackToTheirDefaults) {
    struct Case {
        const char* opt;
        int32_t settings::OptSettings::*field;
        int32_t used;
        const char* logLine; // nullptr: the value is kept without a word
    } cases[] = {
        {"Retry=-1", &settings::OptSettings::Retry, 1,
         "cfg.ini: Retry=-1 is unusable (no command would ever be sent), 1 used"},
        {"Retry=0", &settings::OptSettings::Retry, 1,
         "cfg.ini: Retry=0 is unusable (no command would ever be sent), 1 used"},
        {"Retry=3", &settings::OptSettings::Retry, 3, nullptr},
        {"DpiHwRadix=1", &settings::OptSettings::DpiHwRadix, 16,
         "cfg.ini: DpiHwRadix=1 is unusable (not a radix), 16 used"},
        {"DpiHwRadix=37", &settings::OptSettings::DpiHwRadix, 16,
         "cfg.ini: DpiHwRadix=37 is unusable (not a radix), 16 used"},
        {"DpiHwRadix=10", &settings::OptSettings::DpiHwRadix, 10, nullptr},
        {"KeyNumCol=0", &settings::OptSettings::KeyNumCol, 10,
         "cfg.ini: KeyNumCol=0 is unusable (the key buttons need a first column), 10 used"},
        {"KeyNumCol=20", &settings::OptSettings::KeyNumCol, 20, nullptr},
        {"ProSwKeyIndex=17", &settings::OptSettings::ProSwKeyIndex, 0,
         "cfg.ini: ProSwKeyIndex=17 is unusable (not a key slot), 0 used"},
        {"ProSwKeyIndex=-2", &settings::OptSettings::ProSwKeyIndex, 0,
         "cfg.ini: ProSwKeyIndex=-2 is unusable (not a key slot), 0 used"},
        {"ProSwKeyIndex=16", &settings::OptSettings::ProSwKeyIndex, 16, nullptr},
        {"MinDelay=-5", &settings::OptSettings::MinDelay, 10,
         "cfg.ini: MinDelay=-5 is unusable (not a step delay), 10 used"},
        {"MinDelay=65536", &settings::OptSettings::MinDelay, 10,
         "cfg.ini: MinDelay=65536 is unusable (not a step delay), 10 used"},
        {"MinDelay=0", &settings::OptSettings::MinDelay, 0, nullptr},
        {"MinUIDelay=70000", &settings::OptSettings::MinUIDelay, 1,
         "cfg.ini: MinUIDelay=70000 is unusable (not a step delay), 1 used"},
        {"MenuW=-1", &settings::OptSettings::MenuW, 0,
         "cfg.ini: MenuW=-1 is unusable (not a width), 0 used"},
        {"ExitType=1\nTrayIcon=2", &settings::OptSettings::ExitType, 0,
         "cfg.ini: ExitType=1 is unusable (the window could not be closed without a tray icon), 0 "
         "used"},
        {"ExitType=1\nTrayIcon=3", &settings::OptSettings::ExitType, 1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opt);
        testutil::TempDir dir;
        dir.Write("cfg.ini",
                  std::string("[OPT]\nDebug=1\nappdir=T\nMacProtocol=1\nSensor=0x3325\n") + c.opt +
                      "\n" + kSensor);
        std::vector<std::string> entries;
        settings::SetLogSink([&entries](const std::string& e) { entries.push_back(e); });
        testutil::MessageRecorder recorder;
        EXPECT_TRUE(settings::InitData(dir.Dir()));
        settings::SetLogSink({});
        settings::ResetLog();
        EXPECT_EQ(g_opt.*c.field, c.used);
        std::vector<std::string> unusable;
        for (const std::string& e : entries)
            if (e.rfind("cfg.ini: ", 0) == 0)
                unusable.push_back(e);
        EXPECT_EQ(unusable,
                  c.logLine ? std::vector<std::string>{c.logLine} : std::vector<std::string>{});
        EXPECT_TRUE(recorder.Texts().empty());
    }
    g_opt = {};
}

// The boxes of start-up are in the log too, in order, once the log runs; the
// user is still shown each.
TEST(SettingsTest, StartUpMessageBoxesAreLogged) {
    testutil::TempDir dir;
    dir.Write("cfg.ini", "[OPT]\nDebug=1\nappdir=T\nMacProtocol=1\nrcKeyList=1,2\nSensor=0x3360\n" +
                             std::string(kSensor));
    std::vector<std::string> entries;
    settings::SetLogSink([&entries](const std::string& e) {
        if (e.rfind("MessageBox", 0) == 0)
            entries.push_back(e);
    });
    testutil::MessageRecorder recorder;
    EXPECT_FALSE(settings::InitData(dir.Dir()));
    platform::ShowMessageBox(u"     Data Init failed.     ", u"Error");
    settings::ResetLog();
    platform::ShowMessageBox(u"after the log", u"Error");
    settings::SetLogSink({});
    g_opt = {};
    EXPECT_EQ(entries,
              (std::vector<std::string>{"MessageBox(Error): Wrong rect num",
                                        "MessageBox(Warning): pSensorCfg is null",
                                        "MessageBox(Error):      Data Init failed.     "}));
    EXPECT_EQ(recorder.Texts().size(), 4u);
}

TEST(SettingsTest, MissingFileTakesDefaultsAndFailsOnTheDefaultSensor) {
    testutil::TempDir dir;
    testutil::MessageRecorder recorder;
    EXPECT_FALSE(settings::InitData(dir.Dir()));
    EXPECT_EQ(g_opt.Sensor, 0x3050);
    EXPECT_EQ(recorder.Texts(),
              (std::vector<std::string>{"Error: APPDATA=NULL", "Error: Macro Protocol is unknown",
                                        "Warning: pSensorCfg is null"}));
}

TEST(SettingsTest, KeyTableStartsWithDebugAndNamesEachKeyOnce) {
    size_t count = 0;
    const settings::OptKeyInfo* keys = settings::OptKeys(&count);
    EXPECT_STREQ(keys[0].name, "Debug"); // the log starts before anything else is read
    std::set<std::string> names;
    for (size_t i = 0; i < count; ++i)
        EXPECT_TRUE(names.insert(keys[i].name).second) << keys[i].name;
}

} // namespace
