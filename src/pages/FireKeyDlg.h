#pragma once
// CFirekeyDlg: asks for the two numbers of the fire key function, a speed
// (3 to 255) and a count of clicks (0 to 3), for the function picker. It
// wears the message dialog's skin and frame.

#include "controls/PngBtn.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"
#include "framework/SkinDialog.h"
#include "model/KeyInfo.h"

#include <cstdint>

class CFirekeyDlg : public fw::SkinDialog {
public:
    static constexpr UINT kIdSpeed = 131;
    static constexpr UINT kIdCount = 132;

    CFirekeyDlg();
    ~CFirekeyDlg() override;

    // Set before DoModal: the key's assignment in the current mode.
    KeyInfo m_current{};
    // Read after DoModal returned IDOK.
    uint8_t m_nSpeed = 0;
    uint8_t m_nCount = 0;

    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnOK() override;

protected:
    void Paint(HDC dc, const RECT& rc) override;

private:
    HWND MakeField(UINT id, const RECT& rc, const std::wstring& text);
    void OnFieldChanged(HWND field, UINT id);
    RECT FieldRect(int which) const;

    fw::Image m_imgBkg;
    CPngBtn m_btnClose{IDCANCEL};
    CPngBtn m_btnOk{IDOK};
    CPngBtn m_btnCancel{IDCANCEL};
    HWND m_hSpeed = nullptr, m_hCount = nullptr;
    fw::Font m_fontField; // 16-pixel bold
    fw::Font m_fontText;  // 14-pixel, when there is no application font
    fw::Brush m_brField;
    bool m_bCorrecting = false;
};
