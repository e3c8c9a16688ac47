#pragma once
// CNotifyDlg: the small always-on-top window that tells the user what the
// mouse just did (a new DPI level, say), even while the main window is in the
// tray. Up to four lines over notify.png; shown at full opacity for a moment,
// then faded out step by step and hidden.

#include "controls/TextFit.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"
#include "framework/SkinDialog.h"

#include <cstdint>
#include <functional>
#include <string>

// The bands the lines are drawn in: a third of the height each without a third
// line, a quarter with one. `third` is empty when the third line is not drawn.
struct NotifyBands {
    RECT first, second, third, fourth;
};
NotifyBands NotifyLayout(int width, int height, bool hasThirdLine);

// A large line's font height comes from FitLineHeight (controls/TextFit.h).

// The opacity sequence: ShowNotify restarts it at the start opacity; each
// step tick applies the current opacity and then lowers it by 10, hiding the
// window once it is 10 or less.
class NotifyFade {
public:
    static constexpr uint8_t kStartOpacity = 200;
    void Restart() { m_opacity = m_start; }
    // The opacity to apply now; `hide` tells whether the window goes away.
    uint8_t Step(bool& hide);
    uint8_t Opacity() const { return m_opacity; }

private:
    uint8_t m_opacity = kStartOpacity;
    uint8_t m_start = kStartOpacity;
};

class CNotifyDlg : public fw::SkinDialog {
public:
    static constexpr UINT_PTR kDisplayTimer = 1204;
    static constexpr UINT_PTR kFadeTimer = 1205;
    static constexpr UINT kFadePeriod = 20;

    CNotifyDlg();
    ~CNotifyDlg() override;

    // Screen position; (0, 0) centres the window over its owner.
    void SetPosition(int left, int top) {
        m_ptPos.x = left;
        m_ptPos.y = top;
    }
    // Null or empty texts clear their line; the others are cut to 259
    // characters. Restarts the display time at full opacity.
    void ShowNotify(const wchar_t* first, const wchar_t* second, const wchar_t* third,
                    const wchar_t* fourth);

    const std::wstring& Line(int index) const { return m_strLine[index]; }
    uint8_t Opacity() const { return m_fade.Opacity(); }
    // The opacity last applied to the window.
    uint8_t AppliedOpacity() const { return m_appliedOpacity; }
    bool HasImage() const { return fw::Width(m_imgBkg) > 0; }

    UINT m_nDisplayTime = 300; // milliseconds before the fade starts
    COLORREF m_clrText = RGB(0, 157, 192);

    BOOL OnInitDialog() override;
    bool PreTranslateMessage(MSG& msg) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // A click hides the window; so does closing it.
    void OnOK() override;
    void OnCancel() override;

protected:
    void Paint(HDC dc, const RECT& rc) override;

private:
    void OnTimer(UINT_PTR id);
    void ApplyOpacity(uint8_t opacity);
    void DrawLargeLine(HDC dc, const std::wstring& text, const RECT& band);

    std::wstring m_strLine[4];
    fw::Image m_imgBkg;
    NotifyFade m_fade;
    uint8_t m_appliedOpacity = NotifyFade::kStartOpacity;
    POINT m_ptPos{0, 0};
    fw::Font m_font; // "MS Shell Dlg" 14/400, kept for the window
    fw::Font m_fontSmall, m_fontLarge;
};
