#pragma once
// CAboutDlg: the skinned about box: name and version, a link to the web
// address of tc_web, and an optional second button.

#include "controls/PngBtn.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"
#include "framework/SkinDialog.h"

#include <string>
#include <string_view>

// The version line: the text tc_version with each "{version}" replaced by
// `version`, so a product's texts show the program's own version.
std::wstring VersionLine(std::wstring text, std::wstring_view version);

class CAboutDlg : public fw::SkinDialog {
public:
    static constexpr UINT kLinkId = 1001;
    static constexpr UINT kSecondId = 1002;

    CAboutDlg();
    ~CAboutDlg() override;

    BOOL OnInitDialog() override;
    bool PreTranslateMessage(MSG& msg) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;

    // The link's action: opens tc_web with the shell; false when it is empty.
    static bool OpenWebPage();

protected:
    void Paint(HDC dc, const RECT& rc) override;

private:
    fw::Image m_imgBkg;
    fw::Font m_fontText;
    CPngBtn m_btnClose{IDCANCEL};
    CPngBtn m_btnLink{kLinkId};
    CPngBtn m_btnSecond{kSecondId};
};
