#include "settings/TextTable.h"

#include "settings/XmlDocument.h"

#include <array>
#include <iterator>
#include <mutex>
#include <unordered_map>

namespace settings {

namespace {

// Every key, in the order the texts are loaded.
constexpr std::u16string_view kKeys[] = {
    // Program and main window
    u"tc_title",
    u"tc_mutex",
    u"tc_reg",
    u"tc_appdata",
    u"tc_config",
    u"tc_exit",
    u"tc_version",
    u"tc_restore",
    u"tc_reset",
    u"tc_ok",
    u"tc_cancel",
    u"tc_apply",
    u"tc_profile",
    u"tc_tips",
    u"tc_str1",
    u"tc_str2",
    u"tc_str3",
    u"tc_page1",
    u"tc_page2",
    u"tc_page3",
    u"tc_page4",
    // Macro editor and macro picker
    u"tc_macro_stop",
    u"tc_macro_start",
    u"tc_macro_list",
    u"tc_macro_key_list",
    u"tc_macro_auto",
    u"tc_macro_loop",
    u"tc_macro_loop1",
    u"tc_macro_loop2",
    u"tc_macro_loop3",
    u"tc_macro_msg1",
    u"tc_macro_msg2",
    u"tc_macro_msg3",
    u"tc_macro_msg4",
    u"tc_macro_msg5",
    u"tc_macro_msg6",
    u"tc_macro_msg7",
    u"tc_macro_msg8",
    u"tc_macro_msg9",
    u"tc_macro_msg10",
    u"tc_macro_msg11",
    u"tc_macro_msg12",
    u"tc_macro_msg13",
    u"tc_macro_msg14",
    u"tc_macro_msg15",
    u"tc_macro_msg16",
    u"tc_macro_msg17",
    u"tc_macro_msg18",
    u"tc_macro_msg19",
    u"tc_macro_msg20",
    u"tc_macro_msg21",
    u"tc_macro_msg22",
    // Names of button functions, key functions and macro steps
    u"tc_msfun",
    u"tc_click",
    u"tc_menu",
    u"tc_middle",
    u"tc_forward",
    u"tc_back",
    u"tc_dbclick",
    u"tc_rdbclick",
    u"tc_scrollup",
    u"tc_scrolldown",
    u"tc_mac_def",
    u"tc_key_off",
    u"tc_PL",
    u"tc_stop",
    u"tc_pre_media",
    u"tc_next_media",
    u"tc_vol_up",
    u"tc_vol_dw",
    u"tc_mute",
    u"tc_kbmedia_forward",
    u"tc_kbmedia_back",
    u"tc_kbmedia_stop",
    u"tc_kbmedia_search",
    u"tc_kbmedia_mail",
    u"tc_kbmedia_main",
    u"tc_kbmedia_explore",
    u"tc_kbmedia_cal",
    u"tc_kbmedia_refresh",
    u"tc_kbmedia_favor",
    u"tc_kbmedia_msel",
    u"tc_combokey",
    u"tc_media",
    u"tc_combo_tips",
    u"tc_web",
    u"tc_mainweb",
    u"tc_dpi",
    u"tc_dpiadd",
    u"tc_dpisub",
    u"tc_dpiloop",
    u"tc_three",
    u"tc_fire",
    u"tc_rgb",
    u"tc_snipe",
    u"tc_singlekey",
    u"tc_windows",
    u"tc_shift",
    u"tc_reportsw",
    u"tc_customkey",
    u"tc_rgbsw",
    u"tc_error",
    u"tc_prosw",
    // Messages of the main window, the pages and the dialogs
    u"tc_msg1",
    u"tc_msg2",
    u"tc_msg3",
    u"tc_msg4",
    u"tc_msg5",
    u"tc_msg6",
    u"tc_msg7",
    u"tc_msg8",
    u"tc_msg9",
    u"tc_msg10",
    u"tc_msg11",
    u"tc_msg12",
    u"tc_msg13",
    u"tc_msg14",
    u"tc_msg15",
    u"tc_msg16",
    u"tc_msg17",
    u"tc_msg18",
    u"tc_msg19",
    u"tc_msg20",
    u"tc_msg21",
    u"tc_msg22",
    u"tc_msg23",
    u"tc_msg24",
    u"tc_msg25",
    u"tc_msg26",
    u"tc_msg27",
    u"tc_msg28",
    u"tc_msg29",
    u"tc_msg30",
    u"tc_msg31",
    u"tc_msg32",
    u"tc_msg33",
    u"tc_msg34",
    u"tc_msg35",
    u"tc_msg36",
    u"tc_msg37",
    u"tc_msg38",
    // Key modes of the keys page
    u"tc_mode1",
    u"tc_mode2",
    u"tc_mode3",
    // Lighting page
    u"tc_led_mode1",
    u"tc_led_mode2",
    u"tc_led_mode3",
    u"tc_led_mode4",
    u"tc_led_mode5",
    u"tc_led_eft1",
    u"tc_led_eft2",
    u"tc_led_eft3",
    u"tc_led_eft4",
    // DPI and advanced page, messages of the apply path
    u"tc_adv_str1",
    u"tc_adv_str2",
    u"tc_adv_str3",
    u"tc_adv_str4",
    u"tc_adv_str5",
    u"tc_adv_str6",
    u"tc_adv_str7",
    u"tc_adv_str8",
    u"tc_adv_str9",
    u"tc_adv_str10",
    u"tc_adv_str11",
    u"tc_adv_str12",
    u"tc_adv_str13",
    u"tc_adv_str14",
    u"tc_adv_str15",
    u"tc_adv_str16",
    u"tc_adv_str17",
    u"tc_adv_str18",
    u"tc_adv_str19",
    u"tc_adv_str20",
    // Numbered families, loaded last
    u"tc_ex1",
    u"tc_ex2",
    u"tc_ex3",
    u"tc_ex4",
    u"tc_ex5",
    u"tc_tip1",
    u"tc_tip2",
    u"tc_tip3",
    u"tc_tip4",
    u"tc_tip5",
};
static_assert(std::size(kKeys) == 183, "173 single keys, then tc_ex1..5 and tc_tip1..5");

// Texts this program added to the set above. A product's text.xml written
// before them does not give them, so each has the English text used then.
struct OwnText {
    std::u16string_view key;
    std::u16string_view english;
};
constexpr OwnText kOwnTexts[] = {
    {u"tc_pending_close", u"Your changes have not been applied to the mouse yet. Apply them now?"},
    {u"tc_yes", u"Yes"},
    {u"tc_no", u"No"},
    {u"tc_dpi_leave", u"DPI levels are turned off starting from the last one: turn off the levels "
                      u"below this one first."},
    {u"tc_dpi_join",
     u"DPI levels are turned on in order: turn on the levels above this one first."},
    {u"tc_macro_delete", u"Delete macro"},
    {u"tc_macro_delete_step", u"Delete step"},
};

// The text table's process-wide state. Loading and resetting hold the mutex;
// the texts are read without it, which is safe because they only change in
// LoadTextTable, during start-up before any other thread exists.
struct TextTableState {
    std::mutex mutex;     // guards document (lookups move its position) and writes to texts
    XmlDocument document; // text.xml, kept for the life of the process
    std::array<std::u16string, std::size(kKeys)> texts;
    std::array<std::u16string, std::size(kOwnTexts)> ownTexts; // empty: the English one
};

TextTableState& State() {
    static TextTableState state;
    return state;
}

constexpr size_t kNoKey = static_cast<size_t>(-1);

size_t KeyIndex(std::u16string_view key) {
    static const std::unordered_map<std::u16string_view, size_t> index = [] {
        std::unordered_map<std::u16string_view, size_t> map;
        for (size_t i = 0; i < std::size(kKeys); ++i)
            map.emplace(kKeys[i], i);
        return map;
    }();
    auto found = index.find(key);
    return found == index.end() ? kNoKey : found->second;
}

// root, its first "config" child, that one's first child named exactly `key`;
// every lookup starts again from the top of the document.
std::u16string LookUp(XmlDocument& document, std::u16string_view key) {
    document.ResetLookup();
    document.FindRoot();
    if (!document.FindChild(u"config"))
        return {};
    document.EnterChild();
    if (!document.FindChild(key))
        return {};
    return document.ChildText();
}

} // namespace

void LoadTextTable(const std::u16string& path) {
    TextTableState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    // An unreadable file leaves the document empty and so every text empty;
    // a badly formed one still gives whatever elements could be indexed.
    state.document.LoadDocument(path);
    for (size_t i = 0; i < std::size(kKeys); ++i)
        state.texts[i] = LookUp(state.document, kKeys[i]);
    for (size_t i = 0; i < std::size(kOwnTexts); ++i)
        state.ownTexts[i] = LookUp(state.document, kOwnTexts[i].key);
}

std::u16string GetConfigText(std::u16string_view key) {
    TextTableState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return LookUp(state.document, key);
}

size_t TextKeyCount() {
    return std::size(kKeys);
}

std::u16string_view TextKeyAt(size_t index) {
    return index < std::size(kKeys) ? kKeys[index] : std::u16string_view();
}

const std::u16string& Text(std::u16string_view key) {
    static const std::u16string empty;
    size_t index = KeyIndex(key);
    if (index != kNoKey)
        return State().texts[index];
    static const std::array<std::u16string, std::size(kOwnTexts)> english = [] {
        std::array<std::u16string, std::size(kOwnTexts)> texts;
        for (size_t i = 0; i < std::size(kOwnTexts); ++i)
            texts[i] = kOwnTexts[i].english;
        return texts;
    }();
    for (size_t i = 0; i < std::size(kOwnTexts); ++i)
        if (kOwnTexts[i].key == key)
            return State().ownTexts[i].empty() ? english[i] : State().ownTexts[i];
    return empty;
}

void ResetTextTable() {
    TextTableState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.document.LoadBytes({});
    for (std::u16string& text : state.texts)
        text.clear();
    for (std::u16string& text : state.ownTexts)
        text.clear();
}

} // namespace settings
