#pragma once
// The application object: fixes the paths, loads texts and settings, keeps
// one copy of the program per product, and runs the main window modally.

#include "framework/App.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"

#include <memory>
#include <string>

class CTarvelApp : public fw::App {
public:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    std::unique_ptr<fw::GdiplusSession> m_gdiplus; // m_gdiplusToken
    fw::KernelHandle m_hMutex;
    bool m_bStarted = false;
};

// Steps of start-up, usable on their own.
bool InitData();
void MkAppData();
int GetWinVer();
void SetDpiAware();
bool CreateAppFont();
void RemoveAppFont();
// The single-instance mutex name: tc_mutex, else the built-in default.
std::wstring MutexName();
