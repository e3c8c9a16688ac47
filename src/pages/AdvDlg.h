#pragma once
// CAdvDlg: the DPI and advanced page. For now a read-only view: the DPI levels
// of the current profile with their colours, the level the mouse uses, and
// the DPI light's mode.

#include "model/ProfileRecord.h"
#include "pages/SkinPage.h"

#include <vector>

class CAdvDlg : public CSkinPage {
public:
    CAdvDlg();

    // Marks level `level` (0-based) as the one the mouse uses; a level beyond
    // the sensor's is ignored.
    void SelectLevel(int level);
    // Lays the page out for the active sensor (its number of levels).
    void ApplySensorLayout() override;
    void ShowProfile(const ProfileRecord& profile) override;
    // The DPI level event selects the level, the DPI light event shows the
    // light's mode.
    void OnDeviceEvent(const PageEvent& event) override;
    // Shows the DPI light's mode (0 off).
    void ShowDpiLight(int mode);

    int SelectedLevel() const { return m_nSelLevel; }
    int LevelCount() const { return m_nLevels; }
    int DpiLightMode() const { return m_nDpiLight; }

protected:
    void DrawContent(HDC dc) override;

private:
    int m_nLevels = 0;
    int m_nSelLevel = -1;
    int m_nDpiLight = 0;
    std::vector<DpiLevelRecord> m_levels;
};
