#pragma once
// The settings of cfg.ini's section OPT, held in one process-wide record whose
// fields bear the keys' names. Read once at start-up by LoadCfg, never written.

#include <cstdint>
#include <string>

// A mouse has up to three key modes of sixteen buttons each.
constexpr int kKeyModes = 3;
constexpr int kKeysPerMode = 16;

namespace settings {

class IniFile;

struct Rect {
    int32_t left, top, right, bottom;
    int32_t Width() const { return right - left; }
    bool operator==(const Rect&) const = default;
};

struct Point {
    int32_t x, y;
    bool operator==(const Point&) const = default;
};

// 0x00BBGGRR, red in the low byte.
using Colour = uint32_t;
constexpr Colour Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16;
}

// One effect's options on the lighting page (LedOpt%d, LogoLedOpt%d).
struct LedOption {
    int32_t present;
    int32_t values[5];
    Colour colours[7];
};

struct OptSettings {
    // Start-up, files and diagnostics.
    int32_t Debug, UIDebug;
    char16_t Title[40];
    char16_t FontName[30];
    int32_t FontSize;
    char16_t appdir[30];
    int32_t MacPath;

    // Device identification and link.
    uint16_t VID, PID;
    uint16_t PID2[2];
    int32_t Sensor, AutoSw, Retry, DpiHwRadix;
    int32_t n3325Setp200; // key "3325Setp200"
    int32_t Suwnd, GoWithNoDev;

    // Main window behaviour.
    int32_t TrayIcon, ExitType;
    uint16_t ShowWelcome;
    int32_t ApplyNow, Pop, PopByte1, BtnTips, ShowApply, ShowPro;

    // Defaults of new profiles and function lists.
    int32_t EnhancePrecision;
    uint8_t MainRGB[6], LogoRGB[6], DpiRGB[6];
    int32_t KeyMask, ProSwKeyIndex, CustomkeyCode, ShowEx;
    int32_t ExKey1, ExKey2, ExKey3, ExKey4;
    uint8_t SnipMenu[28];
    int32_t SnipMenuCount;
    int32_t MacProtocol;

    // Which parts of the interface are shown.
    uint16_t ShowDpiColor;
    int32_t ShowDpiCheck, ShowUsbRate, ShowPower, ShowMainEffect, ShowLogoEffect, ShowDpiEffect;
    int32_t ShowProSw, ShowRGBSw, ShowDbClickSpeed, ShowMsSys, ShowFWUpdate;

    // Macro editor.
    int32_t MacroDir, MinDelay, MinUIDelay, InsertBefore, ListTrans, MacOperBtn;
    uint16_t Macro_Opt_X;
    Rect rcMacroList, rcKeyList;
    Colour clrMacFrame;
    int32_t ComboRec;

    // Colours.
    Colour Txt_clr, Btn_txt_clr_nr, Btn_txt_clr_ov, Btn_txt_clr_dn;
    Colour clrMsgBtnTxtNr, clrMsgBtnTxtOv, clrMsgBtnTxtDn;
    Colour Menu_txt_clr_nr, Menu_txt_clr_ov, Menu_txt_clr_dn;
    Colour LstBox_txt_clr_nr, LstBox_txt_clr_dn, LstBox_bkg_clr, LstBox_item_clr;
    Colour clrEdit, clrBtNr, clrMask, clrBkg;

    // Layout.
    Rect rcSubDlg;
    Rect rcNaviBtn1, rcNaviBtn2, rcNaviBtn3, rcNaviBtn4;
    Rect rcPro1, rcPro2, rcPro3, rcPro4, rcPro5;
    Rect rcProTitle;
    Point ptMin, ptApply;
    Rect rcImportPro, rcExportPro, rcHomePageBtn;
    Rect rcTitle1, rcTitle2, rcTitle3;
    Point ptKey;
    int32_t KeyNumCol;
    Point ptMark, ptRate, ptPower;
    int32_t ReportText[4];
    int32_t MenuItems, MenuW;
    Point ptDpiBar, ptMoveSpeed, ptLOD, ptDpiEft;
    Point ptRGBEdit, ptRGBGrid, ptMainEft, ptLogoEft;
    int32_t BarY, ScaleY, SliderY, DpiBarY, DpiSliderY;

    // Lighting-page options: index 0..3 is LedOpt1..LedOpt4.
    LedOption LedOpt[4], LogoLedOpt[4];

    // Read and kept, without effect.
    uint16_t MatchStr;
    int32_t Halvet, MacroHasMsKey, LedSp;
    char16_t USBString[30];
    Rect rcSupprotBtn, rcComboText, rcTitle4;
};

extern OptSettings g_opt;

// Reads section OPT of `ini` (Debug first, then starts the log). Unusable
// values are logged and replaced by their defaults; the sensor sections are
// read by the caller (InitData). Always true.
bool LoadCfg(const IniFile& ini);

// The derived values that InitData computes after LoadCfg.
struct MacroLimits {
    int32_t nMinDelay; // smallest step delay, ms
    int32_t nMaxDelay; // largest step delay, ms
    int32_t nMaxSteps; // most steps in one macro
    int32_t nMaxBytes; // bytes of one macro in device memory
};
extern MacroLimits g_macroLimits;

// One entry of the table that describes every OPT key: its name and how it is
// read. The reader and tarvelctl walk the same table.
enum class OptKind { Int32, Int16, Text, List, Rect, RectSize, Point, Colour, LedOption };
struct OptKeyInfo {
    const char* name;
    OptKind kind;
    size_t offset; // of the field in OptSettings
    int count;     // Text: capacity; List: most numbers; LedOption: 29
    int radix;     // List
    int width;     // List: bytes per element (1, 2 or 4)
    int maxChars;  // List, Rect, Point, Colour: characters read of the value
};
// The table, in reading order (Debug first).
const OptKeyInfo* OptKeys(size_t* count);

} // namespace settings
