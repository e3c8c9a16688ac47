#pragma once
// CKeyDlg: the keys page. For now a read-only view of the current profile:
// the key mode, its report rate and what each button does.

#include "model/ProfileRecord.h"
#include "pages/SkinPage.h"

#include <cstdint>
#include <string>
#include <vector>

class CKeyDlg : public CSkinPage {
public:
    CKeyDlg();

    // Lays the page out for the active sensor (its key count and modes).
    void ApplySensorLayout() override;
    void ShowProfile(const ProfileRecord& profile) override;
    // The report-rate event goes to OnDeviceRate.
    void OnDeviceEvent(const PageEvent& event) override;
    // The mouse switched its report rate: `code` is the device's rate code
    // (1 1000 Hz, 2 500 Hz, 4 250 Hz, 8 125 Hz); the current mode takes it.
    void OnDeviceRate(uint8_t code);

    int KeyCount() const { return m_nKeys; }
    const std::vector<std::wstring>& KeyTexts() const { return m_keyTexts; }
    uint32_t ReportRate() const { return m_dwRate; }

protected:
    void DrawContent(HDC dc) override;

private:
    int m_nKeys = 0;
    int m_nModes = 1;
    int m_nCurMode = 0;
    uint32_t m_dwRate = 0;
    std::vector<std::wstring> m_keyTexts;
};
