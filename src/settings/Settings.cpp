#include "settings/Settings.h"

#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "settings/IniFile.h"
#include "settings/Log.h"
#include "settings/NumberList.h"

#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace settings {

OptSettings g_opt;
MacroLimits g_macroLimits;

namespace {

constexpr std::u16string_view kSection = u"OPT";

#define OPT_FIELD(f) offsetof(OptSettings, f)
#define INT32(k)                                                                                   \
    { #k, OptKind::Int32, OPT_FIELD(k), 0, 0, 0, 0 }
#define INT16(k)                                                                                   \
    { #k, OptKind::Int16, OPT_FIELD(k), 0, 0, 0, 0 }
#define TEXT(k)                                                                                    \
    { #k, OptKind::Text, OPT_FIELD(k), int(sizeof(OptSettings::k) / 2), 0, 0, 0 }
#define RECT(k)                                                                                    \
    { #k, OptKind::Rect, OPT_FIELD(k), 4, 10, 4, 49 }
#define RECTSIZE(k)                                                                                \
    { #k, OptKind::RectSize, OPT_FIELD(k), 4, 10, 4, 49 }
#define POINT(k)                                                                                   \
    { #k, OptKind::Point, OPT_FIELD(k), 2, 10, 4, 49 }
#define COLOUR(k)                                                                                  \
    { #k, OptKind::Colour, OPT_FIELD(k), 3, 10, 1, 259 }
#define LIST(k, radix, n, width, chars)                                                            \
    { #k, OptKind::List, OPT_FIELD(k), n, radix, width, chars }
#define LEDOPT(name, field, i)                                                                     \
    { name, OptKind::LedOption, OPT_FIELD(field) + i * sizeof(LedOption), 29, 10, 1, 259 }

// Every key of section OPT, in reading order. Debug comes first: the log
// starts as soon as it is known.
const OptKeyInfo kOptKeys[] = {
    INT32(Debug),
    INT32(UIDebug),
    TEXT(Title),
    TEXT(FontName),
    INT32(FontSize),
    TEXT(appdir),
    INT32(MacPath),

    INT16(VID),
    INT16(PID),
    LIST(PID2, 16, 2, 2, 259),
    INT32(Sensor),
    INT32(AutoSw),
    INT32(Retry),
    INT32(DpiHwRadix),
    {"3325Setp200", OptKind::Int32, OPT_FIELD(n3325Setp200), 0, 0, 0, 0},
    INT32(Suwnd),
    INT32(GoWithNoDev),

    INT32(TrayIcon),
    INT32(ExitType),
    INT16(ShowWelcome),
    INT32(ApplyNow),
    INT32(Pop),
    INT32(PopByte1),
    INT32(BtnTips),
    INT32(ShowApply),
    INT32(ShowPro),

    INT32(EnhancePrecision),
    LIST(MainRGB, 10, 6, 1, 49),
    LIST(LogoRGB, 10, 6, 1, 49),
    LIST(DpiRGB, 10, 6, 1, 49),
    INT32(KeyMask),
    INT32(ProSwKeyIndex),
    INT32(CustomkeyCode),
    INT32(ShowEx),
    INT32(ExKey1),
    INT32(ExKey2),
    INT32(ExKey3),
    INT32(ExKey4),
    LIST(SnipMenu, 10, 28, 1, 49),
    INT32(MacProtocol),

    INT16(ShowDpiColor),
    INT32(ShowDpiCheck),
    INT32(ShowUsbRate),
    INT32(ShowPower),
    INT32(ShowMainEffect),
    INT32(ShowLogoEffect),
    INT32(ShowDpiEffect),
    INT32(ShowProSw),
    INT32(ShowRGBSw),
    INT32(ShowDbClickSpeed),
    INT32(ShowMsSys),
    INT32(ShowFWUpdate),

    INT32(MacroDir),
    INT32(MinDelay),
    INT32(MinUIDelay),
    INT32(InsertBefore),
    INT32(ListTrans),
    INT32(MacOperBtn),
    INT16(Macro_Opt_X),
    RECT(rcMacroList),
    RECT(rcKeyList),
    COLOUR(clrMacFrame),
    INT32(ComboRec),

    COLOUR(Txt_clr),
    COLOUR(Btn_txt_clr_nr),
    COLOUR(Btn_txt_clr_ov),
    COLOUR(Btn_txt_clr_dn),
    COLOUR(clrMsgBtnTxtNr),
    COLOUR(clrMsgBtnTxtOv),
    COLOUR(clrMsgBtnTxtDn),
    COLOUR(Menu_txt_clr_nr),
    COLOUR(Menu_txt_clr_ov),
    COLOUR(Menu_txt_clr_dn),
    COLOUR(LstBox_txt_clr_nr),
    COLOUR(LstBox_txt_clr_dn),
    COLOUR(LstBox_bkg_clr),
    COLOUR(LstBox_item_clr),
    COLOUR(clrEdit),
    COLOUR(clrBtNr),
    COLOUR(clrMask),
    COLOUR(clrBkg),

    RECTSIZE(rcSubDlg),
    RECT(rcNaviBtn1),
    RECT(rcNaviBtn2),
    RECT(rcNaviBtn3),
    RECT(rcNaviBtn4),
    RECTSIZE(rcPro1),
    RECTSIZE(rcPro2),
    RECTSIZE(rcPro3),
    RECTSIZE(rcPro4),
    RECTSIZE(rcPro5),
    RECT(rcProTitle),
    POINT(ptMin),
    POINT(ptApply),
    RECT(rcImportPro),
    RECT(rcExportPro),
    RECT(rcHomePageBtn),
    RECT(rcTitle1),
    RECT(rcTitle2),
    RECT(rcTitle3),
    POINT(ptKey),
    INT32(KeyNumCol),
    POINT(ptMark),
    POINT(ptRate),
    POINT(ptPower),
    LIST(ReportText, 10, 4, 4, 259),
    INT32(MenuItems),
    INT32(MenuW),
    POINT(ptDpiBar),
    POINT(ptMoveSpeed),
    POINT(ptLOD),
    POINT(ptDpiEft),
    POINT(ptRGBEdit),
    POINT(ptRGBGrid),
    POINT(ptMainEft),
    POINT(ptLogoEft),
    INT32(BarY),
    INT32(ScaleY),
    INT32(SliderY),
    INT32(DpiBarY),
    INT32(DpiSliderY),

    LEDOPT("LedOpt1", LedOpt, 0),
    LEDOPT("LedOpt2", LedOpt, 1),
    LEDOPT("LedOpt3", LedOpt, 2),
    LEDOPT("LedOpt4", LedOpt, 3),
    LEDOPT("LogoLedOpt1", LogoLedOpt, 0),
    LEDOPT("LogoLedOpt2", LogoLedOpt, 1),
    LEDOPT("LogoLedOpt3", LogoLedOpt, 2),
    LEDOPT("LogoLedOpt4", LogoLedOpt, 3),

    INT16(MatchStr),
    INT32(Halvet),
    INT32(MacroHasMsKey),
    INT32(LedSp),
    TEXT(USBString),
    RECT(rcSupprotBtn),
    RECT(rcComboText),
    RECT(rcTitle4),
};

#undef OPT_FIELD
#undef INT32
#undef INT16
#undef TEXT
#undef RECT
#undef RECTSIZE
#undef POINT
#undef COLOUR
#undef LIST
#undef LEDOPT

void SetLedDefaults(LedOption (&records)[4], const int32_t (&values)[4][5]) {
    static constexpr Colour kColours[7] = {Rgb(255, 0, 0),   Rgb(0, 0, 255),   Rgb(0, 255, 0),
                                           Rgb(128, 0, 255), Rgb(250, 198, 3), Rgb(250, 3, 106),
                                           Rgb(250, 0, 250)};
    for (int r = 0; r < 4; ++r) {
        records[r].present = 1;
        std::memcpy(records[r].values, values[r], sizeof records[r].values);
        std::memcpy(records[r].colours, kColours, sizeof kColours);
    }
}

// The defaults of every key that has one; all other fields stay zero.
void SetDefaults(OptSettings& o) {
    o.FontSize = 12;
    o.VID = 0x25A7;
    o.PID = 0xFA92;
    o.PID2[0] = 0xFA99;
    o.Sensor = 0x3050;
    o.Retry = 1;
    o.DpiHwRadix = 16;
    o.TrayIcon = 2;
    o.EnhancePrecision = 1;
    const uint8_t mainRgb[6] = {3, 6, 10, 255, 0, 0}, logoRgb[6] = {3, 3, 10, 255, 0, 255},
                  dpiRgb[6] = {2, 3, 10, 0, 0, 0};
    std::memcpy(o.MainRGB, mainRgb, 6);
    std::memcpy(o.LogoRGB, logoRgb, 6);
    std::memcpy(o.DpiRGB, dpiRgb, 6);
    o.ShowEx = 0x010101;
    o.ShowDpiColor = 1;
    o.ShowDpiCheck = o.ShowUsbRate = o.ShowPower = 1;
    o.ShowMainEffect = o.ShowLogoEffect = o.ShowDpiEffect = 1;
    o.ShowRGBSw = o.ShowDbClickSpeed = o.ShowMsSys = o.ShowFWUpdate = 1;
    o.MinDelay = 10;
    o.MinUIDelay = 1;
    o.InsertBefore = 1;
    o.Macro_Opt_X = 580;
    o.rcMacroList = {84, 76, 287, 395};
    o.rcKeyList = {326, 76, 499, 395};
    o.clrMacFrame = Rgb(100, 100, 100);
    o.ComboRec = 1;
    o.clrEdit = Rgb(20, 20, 20);
    o.clrBkg = Rgb(133, 130, 128);
    o.rcSubDlg = {4, 102, 998, 602};
    o.rcNaviBtn1 = {31, 26, 213, 74};
    o.rcNaviBtn2 = {220, 26, 402, 74};
    o.rcNaviBtn3 = {410, 26, 592, 74};
    o.rcNaviBtn4 = {600, 26, 782, 74};
    o.rcPro1 = {316, 620, 444, 652};
    o.rcPro2 = {452, 620, 580, 652};
    o.rcPro3 = {588, 620, 716, 652};
    o.rcPro4 = {724, 620, 852, 652};
    o.rcPro5 = {859, 620, 987, 652};
    o.rcProTitle = {47, 600, 304, 634};
    o.ptMin = {915, 10};
    o.ptApply = {867, 645};
    o.rcTitle1 = {33, 25, 133, 45};
    o.rcTitle2 = {600, 25, 700, 45};
    o.rcTitle3 = {33, 25, 133, 45};
    o.ptKey = {100, 80};
    o.KeyNumCol = 10;
    o.ptMark = {337, 65};
    o.ptRate = {605, 373};
    o.ptPower = {0, 430};
    o.MenuItems = 13;
    o.ptDpiBar = {125, 70};
    o.ptMoveSpeed = {630, 320};
    o.ptLOD = {630, 440};
    o.ptDpiEft = {130, 390};
    o.ptRGBEdit = {620, 384};
    o.ptRGBGrid = {87, 391};
    o.ptMainEft = {77, 41};
    o.BarY = 5;
    o.ScaleY = 8;
    o.DpiBarY = 5;
    SetLedDefaults(o.LedOpt, {{0, 1, 0, 0, 1}, {1, 1, 0, 0, 1}, {1, 1, 0, 0, 0}, {0, 0, 0, 0, 0}});
    SetLedDefaults(o.LogoLedOpt,
                   {{0, 1, 0, 0, 1}, {1, 0, 0, 0, 1}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}});
    o.LedSp = 80;
    o.rcSupprotBtn = {160, 400, 770, 430};
    o.rcComboText = {0, 0, 80, 27};
    o.rcTitle4 = {560, 25, 660, 45};
}

void Error(const char16_t* text) {
    platform::ShowMessageBox(text, u"Error");
}

// Reads one key, named `name` in the file, into its field. Returns whether
// the key held a value.
bool ReadKey(const IniFile& ini, const OptKeyInfo& k, const std::u16string& name,
             OptSettings& o) {
    char* field = reinterpret_cast<char*>(&o) + k.offset;
    std::optional<std::u16string> raw = ini.Find(kSection, name);
    const bool given = raw && !raw->empty();

    switch (k.kind) {
    case OptKind::Int32:
    case OptKind::Int16: {
        if (!given)
            return false;
        uint32_t v = ini.GetInt(kSection, name, 0);
        if (k.kind == OptKind::Int32)
            std::memcpy(field, &v, 4);
        else {
            uint16_t w = uint16_t(v);
            std::memcpy(field, &w, 2);
        }
        return true;
    }
    case OptKind::Text: {
        auto* chars = reinterpret_cast<char16_t*>(field);
        std::u16string fallback = text::FromField(chars, size_t(k.count));
        text::CopyToField(chars, size_t(k.count),
                          ini.GetString(kSection, name, fallback, size_t(k.count)));
        return raw.has_value();
    }
    default:
        break;
    }

    if (!given)
        return false;
    const std::u16string value = raw->substr(0, size_t(k.maxChars));

    switch (k.kind) {
    case OptKind::List: {
        int n = 0;
        if (k.width == 1)
            n = ParseNumberList(k.radix, value, reinterpret_cast<uint8_t*>(field), k.count);
        else if (k.width == 2)
            n = ParseNumberList(k.radix, value, reinterpret_cast<uint16_t*>(field), k.count);
        else
            n = ParseNumberList(k.radix, value, reinterpret_cast<int32_t*>(field), k.count);
        if (field == reinterpret_cast<char*>(o.SnipMenu))
            o.SnipMenuCount = n;
        return n > 0;
    }
    case OptKind::Rect:
    case OptKind::RectSize: {
        int32_t v[4] = {};
        if (ParseNumberList(10, value, v, 4) < 4) {
            Error(u"Wrong rect num");
            return false;
        }
        Rect r = {v[0], v[1], v[2], v[3]};
        if (k.kind == OptKind::RectSize) {
            r.right += r.left;
            r.bottom += r.top;
        }
        std::memcpy(field, &r, sizeof r);
        return true;
    }
    case OptKind::Point: {
        int32_t v[2] = {};
        if (ParseNumberList(10, value, v, 2) < 2) {
            Error(u"Wrong POINT num");
            return false;
        }
        Point p = {v[0], v[1]};
        std::memcpy(field, &p, sizeof p);
        return true;
    }
    case OptKind::Colour: {
        uint8_t rgb[3] = {};
        if (ParseNumberList(10, value, rgb, 3) == 0)
            return false;
        Colour c = Rgb(rgb[0], rgb[1], rgb[2]);
        std::memcpy(field, &c, sizeof c);
        return true;
    }
    case OptKind::LedOption: {
        uint8_t numbers[29] = {};
        int n = ParseNumberList(10, value, numbers, 29);
        LedOption rec;
        std::memcpy(&rec, field, sizeof rec);
        rec.present = 1;
        for (int i = 0; i < 5; ++i)
            rec.values[i] = numbers[i];
        if (n > 5)
            for (int c = 0; c < 7; ++c)
                rec.colours[c] = Rgb(numbers[5 + 3 * c], numbers[6 + 3 * c], numbers[7 + 3 * c]);
        std::memcpy(field, &rec, sizeof rec);
        return true;
    }
    default:
        return false;
    }
}

// Values that would leave the program unable to do its work. Each falls back
// to its default with a log line; the rest of the file still counts.
struct UsableRule {
    const char* key;
    int32_t OptSettings::*field;
    bool (*usable)(const OptSettings&);
    const char* why;
};

bool InRange(int32_t v, int32_t lo, int32_t hi) {
    return v >= lo && v <= hi;
}

constexpr int32_t kMaxStepDelay = 65535;

const UsableRule kUsableRules[] = {
    {"Retry", &OptSettings::Retry, [](const OptSettings& o) { return o.Retry >= 1; },
     "no command would ever be sent"},
    {"DpiHwRadix", &OptSettings::DpiHwRadix,
     [](const OptSettings& o) { return InRange(o.DpiHwRadix, 2, 36); }, "not a radix"},
    {"KeyNumCol", &OptSettings::KeyNumCol, [](const OptSettings& o) { return o.KeyNumCol >= 1; },
     "the key buttons need a first column"},
    {"ProSwKeyIndex", &OptSettings::ProSwKeyIndex,
     [](const OptSettings& o) { return InRange(o.ProSwKeyIndex, 0, kKeysPerMode); },
     "not a key slot"},
    {"MinDelay", &OptSettings::MinDelay,
     [](const OptSettings& o) { return InRange(o.MinDelay, 0, kMaxStepDelay); },
     "not a step delay"},
    {"MinUIDelay", &OptSettings::MinUIDelay,
     [](const OptSettings& o) { return InRange(o.MinUIDelay, 0, kMaxStepDelay); },
     "not a step delay"},
    {"MenuW", &OptSettings::MenuW, [](const OptSettings& o) { return o.MenuW >= 0; },
     "not a width"},
    // Without a tray icon the close button would do nothing and nothing else
    // ends the program.
    {"ExitType", &OptSettings::ExitType,
     [](const OptSettings& o) { return o.ExitType == 0 || o.TrayIcon == 1 || o.TrayIcon == 3; },
     "the window could not be closed without a tray icon"},
};

void KeepUsableValues(OptSettings& o) {
    OptSettings defaults{};
    SetDefaults(defaults);
    for (const UsableRule& rule : kUsableRules) {
        if (rule.usable(o))
            continue;
        WriteLog("cfg.ini: %s=%d is unusable (%s), %d used", rule.key, o.*rule.field, rule.why,
                 defaults.*rule.field);
        o.*rule.field = defaults.*rule.field;
    }
}

} // namespace

const OptKeyInfo* OptKeys(size_t* count) {
    if (count)
        *count = std::size(kOptKeys);
    return kOptKeys;
}

bool LoadCfg(const IniFile& ini) {
    OptSettings& o = g_opt;
    const int32_t setp200 = o.n3325Setp200;
    SetDefaults(o);
    o.n3325Setp200 = setp200;

    // The names as the file reader takes them, widened once per process.
    static const std::vector<std::u16string> names = [] {
        std::vector<std::u16string> wide;
        for (const OptKeyInfo& k : kOptKeys)
            wide.push_back(text::Widen(k.name));
        return wide;
    }();
    bool msgColourGiven[3] = {};
    for (size_t n = 0; n < std::size(kOptKeys); ++n) {
        const OptKeyInfo& k = kOptKeys[n];
        bool given = ReadKey(ini, k, names[n], o);
        if (k.offset == offsetof(OptSettings, Debug))
            InitLog();
        for (int i = 0; i < 3; ++i)
            if (k.offset == offsetof(OptSettings, clrMsgBtnTxtNr) + i * sizeof(Colour))
                msgColourGiven[i] = given;
    }

    // The message dialog's button texts follow the skinned buttons unless set.
    if (!msgColourGiven[0])
        o.clrMsgBtnTxtNr = o.Btn_txt_clr_nr;
    if (!msgColourGiven[1])
        o.clrMsgBtnTxtOv = o.Btn_txt_clr_ov;
    if (!msgColourGiven[2])
        o.clrMsgBtnTxtDn = o.Btn_txt_clr_dn;

    KeepUsableValues(o);

    if (o.appdir[0] == u'\0')
        Error(u"APPDATA=NULL");
    if (o.MacProtocol != 1 && o.MacProtocol != 2)
        Error(u"Macro Protocol is unknown");
    if (o.SnipMenu[1] > 15)
        Error(u"Dpi lock menus > 15");
    return true;
}

} // namespace settings
