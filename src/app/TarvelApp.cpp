#include "app/TarvelApp.h"

#include "app/AppGlobals.h"
#include "app/MainDlg.h"
#include "app/PopupMenu.h"
#include "framework/StartupTimeline.h"
#include "model/InitData.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "settings/AppIdentity.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "settings/TextTable.h"
#include "store/AppDataDir.h"

#include <shlobj.h>

using settings::g_opt;
using settings::WriteLog;

std::wstring g_szAppTitle;

namespace {
std::string Log8(const std::wstring& s) {
    return text::ToUtf8(U(s));
}
} // namespace

std::wstring MutexName() {
    return W(settings::SingleInstanceMutexName());
}

bool InitData() {
    return settings::InitData(U(g_szExeDir));
}

void MkAppData() {
    std::wstring base;
    if (g_opt.MacPath == 1) {
        base = g_szExeDir;
    } else {
        wchar_t buf[MAX_PATH] = {};
        ::SHGetSpecialFolderPathW(nullptr, buf, CSIDL_LOCAL_APPDATA, FALSE);
        base = buf;
    }
    std::wstring dir =
        base + L"\\" + W(text::FromField(g_opt.appdir, std::size(g_opt.appdir))) + L"\\";
    if (dir.size() > MAX_PATH - 1)
        dir.resize(MAX_PATH - 1);
    SetAppDataDir(U(dir));
    WriteLog("Mk AppData=%s", Log8(dir).c_str());
    if (::GetFileAttributesW(dir.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !::CreateDirectoryW(dir.c_str(), nullptr))
        WriteLog("CreateDirectory err=%d", int(::GetLastError()));
}

int GetWinVer() {
    // GetVersionEx reports what the manifest lets it; without listed systems
    // that is 6.2 on anything newer, which maps to 7 as intended.
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(&info))
        return 0;
#pragma GCC diagnostic pop
    const DWORD major = info.dwMajorVersion, minor = info.dwMinorVersion;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && major == 4)
        return minor < 90 ? 1 : 2;
    if (info.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return 0;
    if (major == 5)
        return minor == 0 ? 3 : 4;
    if (major == 6 && minor <= 2)
        return int(5 + minor);
    return 0;
}

void SetDpiAware() {
    fw::Module user32(::LoadLibraryW(L"User32.dll"));
    if (!user32)
        return;
    using SetAware = BOOL(WINAPI*)();
    if (auto fn = reinterpret_cast<SetAware>(
            reinterpret_cast<void*>(::GetProcAddress(user32.Get(), "SetProcessDPIAware"))))
        fn();
}

bool CreateAppFont() {
    const std::wstring face = W(text::FromField(g_opt.FontName, std::size(g_opt.FontName)));
    if (face.empty())
        return false;
    const std::wstring file = g_szExeDir + L"appfont.ttf";
    if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    g_fontApp.Reset(::CreateFontW(g_opt.FontSize, 0, 0, 0, 90, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_STROKE_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
    if (!g_fontApp)
        return false;
    return ::AddFontResourceW(file.c_str()) != 0;
}

void RemoveAppFont() {
    if (g_opt.FontName[0] != u'\0')
        ::RemoveFontResourceW((g_szExeDir + L"appfont.ttf").c_str());
}

bool CTarvelApp::InitInstance() {
    // comctl32 is loaded with the first tool tip (LoadCommonControls), not
    // here: nothing before the first paint needs it.
    m_gdiplus = std::make_unique<fw::GdiplusSession>();
    fw::StartupStep("GDI+");

    wchar_t module[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    wchar_t drive[MAX_PATH], dir[MAX_PATH], name[MAX_PATH], ext[MAX_PATH];
    ::_wsplitpath_s(module, drive, MAX_PATH, dir, MAX_PATH, name, MAX_PATH, ext, MAX_PATH);
    g_szExeDir = std::wstring(drive) + dir;
    wchar_t textPath[MAX_PATH] = {};
    ::_wmakepath_s(textPath, drive, dir, L"text", L"xml");
    settings::LoadTextTable(U(textPath));
    fw::StartupStep("texts");

    m_bStarted = false;
    if (!InitData()) {
        // Through the seam, so the log says why the program ended.
        platform::ShowMessageBox(u"     Data Init failed.     ", u"Error");
        return false;
    }
    g_szAppTitle = W(settings::AppTitle());
    fw::StartupStep("settings");

    const SYSTEMTIME now = [] {
        SYSTEMTIME t;
        ::GetLocalTime(&t);
        return t;
    }();
    WriteLog("--------------------------------------------------");
    WriteLog("Launch %04d-%d-%d %d:%d, v2.0 AppTitle=%s", now.wYear, now.wMonth, now.wDay,
             now.wHour, now.wMinute, Log8(g_szAppTitle).c_str());

    LoadMenuLibrary();
    fw::StartupStep("Kelmo");
    MkAppData();

    m_hMutex.Reset(::CreateMutexW(nullptr, FALSE, MutexName().c_str()));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        HWND running = ::FindWindowW(nullptr, g_szAppTitle.c_str());
        if (running)
            ::PostMessageW(running, WM_TRAYICON, 0, WM_LBUTTONUP);
        WriteLog("ALREADY_EXISTS, hWnd=%x", unsigned(reinterpret_cast<uintptr_t>(running)));
        return false;
    }
    if (GetWinVer() >= 5)
        SetDpiAware();
    CreateAppFont();
    fw::StartupStep("data folder, single instance, font");

    m_bStarted = true;
    {
        CTarvelDlg dlg;
        SetMainWnd(&dlg);
        dlg.DoModal(nullptr);
        SetMainWnd(nullptr);
    }
    return false;
}

int CTarvelApp::ExitInstance() {
    m_gdiplus.reset();
    m_hMutex.Reset();
    WriteLog("Driver exit");
    if (m_bStarted)
        RemoveAppFont();
    return fw::App::ExitInstance();
}
