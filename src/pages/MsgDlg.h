#pragma once
// CMsgDlg: the one skinned modal dialog for talking to the user: a message
// with OK, a question with OK and Cancel, a question with Yes, No and Cancel,
// a line of text, a number in a range, and the capture of a key combination
// from the keyboard.

#include "controls/PngBtn.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"
#include "framework/SkinDialog.h"

#include <cstdint>
#include <string>

// A key combination: modifier byte (0x01 L-Ctrl, 0x02 L-Shift, 0x04 L-Alt,
// 0x08 L-Win, 0x10 R-Ctrl, 0x20 R-Shift, 0x40 R-Alt, 0x80 R-Win) and three
// virtual-key codes, 0 meaning none.
struct KeyCombo {
    uint8_t mods = 0;
    uint8_t keys[3] = {};
    bool operator==(const KeyCombo&) const = default;
};

// Modifier kinds present (Ctrl, Alt, Shift, Win of either side) plus keys set.
int ComboParts(const KeyCombo& combo);
// "L-Ctrl + L-Shift + A": the parts present, modifiers first, then the keys'
// names.
std::u16string ComboText(const KeyCombo& combo);

// The virtual key a key message stands for: Ctrl and Alt with the extended-key
// flag become their right-hand keys, Shift with scan-code bit 4 right Shift.
uint32_t RefineKey(uint32_t vk, LPARAM lParam);

// What the capture remembers between key messages. The program keeps one for
// all dialogs (a capture continues across dialogs the way the keyboard does).
struct KeyCaptureMemory {
    uint32_t prevVk = 0;
    bool prevUp = false;
    uint32_t prevPressTick = 0;
};
KeyCaptureMemory& ProgramKeyCaptureMemory();

// One key message through the capture; true when the combination is to be
// shown again (a press that was taken).
bool CaptureKey(KeyCombo& combo, KeyCaptureMemory& memory, uint32_t vk, bool up, uint32_t tick,
                bool singleKey, bool checkBoxes);

// Kind 3: what the live check of the input field makes of its text.
struct NumberCheck {
    enum Hint { None, Below, Above } hint = None; // Below: two spaces, Above: three
    bool replaceWithMax = false;
    bool isNumber = false;
};
NumberCheck CheckNumberInput(const std::wstring& text, int32_t minimum, int32_t maximum);
// "<tip>  min - max" (Below) or "<tip>   min - max" (Above).
std::wstring NumberHint(NumberCheck::Hint hint, const std::wstring& tip, int32_t minimum,
                        int32_t maximum);

class CMsgDlg : public fw::SkinDialog {
public:
    enum Kind {
        kMessage = 1,
        kTextInput = 2,
        kNumberInput = 3,
        kKeyCombo = 4,
        kQuestion = 5,
        kChoice = 6, // Yes (IDYES), No (IDNO) and Cancel (IDCANCEL)
    };
    static constexpr UINT kInputId = 513;

    CMsgDlg();
    ~CMsgDlg() override;

    // A message from a text key or literal text; the dialog's result (1 for OK).
    static int ShowMessage(const char16_t* textKey, HWND owner);
    // `title` replaces the default title when it is not empty.
    static int ShowMessageText(const std::wstring& text, HWND owner,
                               const std::wstring& title = {});
    // A question with Yes, No and Cancel: IDYES, IDNO or IDCANCEL (also when
    // the dialog cannot be shown).
    static int AskChoice(const std::wstring& text, HWND owner);
    // A line of text; 1 with `out` set (at most 259 characters) on OK, else 0.
    static int InputText(HWND owner, const std::wstring& prompt, int limit, std::wstring& out);
    // Whether the dialog's background image is there; when it is not, that is
    // reported once in the system's message box (nothing could show it else).
    static bool CheckSkin();

    // Set before DoModal, read after it.
    int m_nKind = -1;
    std::wstring m_strTitle;   // tc_tips by default
    std::wstring m_strMsg;     // body, or the prompt above the input field
    std::wstring m_strResult;  // kinds 2 and 3: the field's text at start; kind 2: the result
    int m_nLimit = 0;          // kinds 2-4: characters, 0 no limit
    int32_t m_nMin = -1;       // kind 3
    int32_t m_nMax = -1;       // kind 3
    int32_t m_nResult = 0;     // kind 3, 0 after Cancel
    bool m_bSingleKey = false; // kind 4
    bool m_bCheckBoxes = false;
    KeyCombo m_combo;       // kind 4
    std::wstring m_strHint; // kind 3

    // The effective kind (any value other than 2 to 6 acts as 1).
    int Kind() const;
    // Kind 4 check boxes, in the order Shift, Ctrl, Alt, Win.
    CPngBtn& CheckBox(int index) { return m_btnCheck[index]; }

    BOOL OnInitDialog() override;
    bool PreTranslateMessage(MSG& msg) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnOK() override;
    void OnCancel() override;

protected:
    void Paint(HDC dc, const RECT& rc) override;

private:
    void OnInputChanged();
    void ShowCombo();
    RECT InputRect() const;
    RECT HintRect() const;
    HFONT TextFont() const;

    fw::Image m_imgBkg;
    CPngBtn m_btnClose{IDCANCEL};
    CPngBtn m_btnOk{IDOK};
    CPngBtn m_btnCancel{IDCANCEL};
    CPngBtn m_btnNo{IDNO};
    CPngBtn m_btnCheck[4];
    HWND m_hInput = nullptr;
    fw::Font m_fontText;  // 14-pixel, when there is no application font
    fw::Font m_fontInput; // 16-pixel
    fw::Brush m_brInput;
    bool m_bReplacingText = false;
};
