#pragma once
// CLedDlg: the lighting page. For now a read-only view of the current
// profile's main and logo lights.

#include "model/ProfileRecord.h"
#include "pages/SkinPage.h"

class CLedDlg : public CSkinPage {
public:
    CLedDlg();

    // Shows the current profile.
    void ShowProfile();
    // Selects the effect of the logo light and of the main light (0 off).
    void SelectLogoEffect(int mode);
    void SelectMainEffect(int mode);
    // Puts what the page edits back into the current profile.
    void StoreToProfile();

    int LogoEffect() const { return m_logo.nMode; }
    int MainEffect() const { return m_main.nMode; }

protected:
    void DrawContent(HDC dc) override;

private:
    LightRecord m_main{};
    LightRecord m_logo{};
};
