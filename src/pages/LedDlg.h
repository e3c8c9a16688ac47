#pragma once
// CLedDlg: the lighting page. For now a read-only view of the current
// profile's main and logo lights.

#include "model/ProfileRecord.h"
#include "pages/SkinPage.h"

class CLedDlg : public CSkinPage {
public:
    CLedDlg();

    void ShowProfile(const ProfileRecord& profile) override;
    // The logo and main light events select their effects.
    void OnDeviceEvent(const PageEvent& event) override;
    // Selects the effect of the logo light and of the main light (0 off).
    void SelectLogoEffect(int mode);
    void SelectMainEffect(int mode);

    int LogoEffect() const { return m_logo.nMode; }
    int MainEffect() const { return m_main.nMode; }

protected:
    void DrawContent(HDC dc) override;

private:
    LightRecord m_main{};
    LightRecord m_logo{};
};
