#include "E2eFixture.h"

#include "app/AppGlobals.h"
#include "app/resource.h"
#include "framework/GdiPlus.h"
#include "model/InitData.h"
#include "model/SensorCatalogue.h"
#include "store/AppDataDir.h"
#include "store/HeadlessMacroTree.h"
#include "sync/DeviceRead.h"

#include "VirtualControl.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {
namespace {

// A Unix path of the build as the Windows side sees it (drive Z:).
std::wstring WinPathOf(const std::string& unix) {
    std::wstring out = L"Z:";
    for (char c : unix)
        out += c == '/' ? L'\\' : wchar_t(static_cast<unsigned char>(c));
    return out;
}

// The stage folder of this build, or the one TARVEL_E2E_STAGE_DIR names (a
// Windows path): an older build's, for pictures of how it looked.
fs::path StageDir() {
    if (const wchar_t* other = ::_wgetenv(L"TARVEL_E2E_STAGE_DIR"); other && *other)
        return fs::path(other);
    return fs::path(WinPathOf(TARVEL_STAGE_DIR));
}
fs::path BuildDir() {
    return fs::path(WinPathOf(E2E_BINARY_DIR));
}

fs::path LogFile() {
    wchar_t desktop[MAX_PATH] = {};
    ::SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
    return fs::path(desktop) / L"Log.txt";
}

uintmax_t FileSize(const fs::path& p) {
    std::error_code ec;
    const uintmax_t n = fs::file_size(p, ec);
    return ec ? 0 : n;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// cfg.ini with the OPT keys of `edits` replaced (or added to the section).
void EditCfg(const fs::path& file, const OptEdits& edits) {
    std::istringstream in(ReadAll(file));
    std::string out, line;
    std::vector<bool> done(edits.size(), false);
    bool inOpt = false;
    auto flush = [&] {
        for (size_t i = 0; i < edits.size(); ++i)
            if (!done[i]) {
                out += edits[i].first + "=" + edits[i].second + "\r\n";
                done[i] = true;
            }
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            if (inOpt)
                flush();
            inOpt = line == "[OPT]";
        } else if (inOpt) {
            bool replaced = false;
            for (size_t i = 0; i < edits.size() && !replaced; ++i)
                if (line.rfind(edits[i].first + "=", 0) == 0) {
                    line = edits[i].first + "=" + edits[i].second;
                    done[i] = replaced = true;
                }
        }
        out += line + "\r\n";
    }
    if (inOpt)
        flush();
    std::ofstream(file, std::ios::binary | std::ios::trunc) << out;
}

// GDI+ for the screenshots, and the settings of the stage folder for reading
// device memory the way the program does.
class E2eEnvironment : public testing::Environment {
public:
    void SetUp() override {
        m_gdiplus = std::make_unique<fw::GdiplusSession>();
        ASSERT_TRUE(settings::InitData(U(StageDir().wstring() + L"\\")));
        fs::create_directories(BuildDir() / L"shots");
        fs::create_directories(BuildDir() / L"decode");
        SetAppDataDir(U((BuildDir() / L"decode").wstring()));
    }
    void TearDown() override { m_gdiplus.reset(); }

private:
    std::unique_ptr<fw::GdiplusSession> m_gdiplus;
};
[[maybe_unused]] testing::Environment* const g_env =
    testing::AddGlobalTestEnvironment(new E2eEnvironment);

} // namespace

TarvelRun::TarvelRun(const std::string& name, const OptEdits& edits)
    : m_dir(BuildDir() / L"runs" / fs::path(name)) {
    std::error_code ec;
    fs::remove_all(m_dir, ec);
    fs::create_directories(m_dir);
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(StageDir())) {
        const fs::path to = m_dir / fs::relative(e.path(), StageDir());
        if (e.is_directory())
            fs::create_directories(to);
        else
            // Wine folds case: Check_dn.png and check_dn.png are one file there.
            ::CopyFileW(e.path().c_str(), to.c_str(), FALSE);
    }
    OptEdits all{{"Debug", "2"}, {"MacPath", "1"}};
    all.insert(all.end(), edits.begin(), edits.end());
    EditCfg(m_dir / L"cfg.ini", all);
    m_state = U((m_dir / L"receiver.state").wstring());
}

TarvelRun::~TarvelRun() {
    if (m_pi.hProcess) {
        if (Running() && !Exit(8000))
            ::TerminateProcess(m_pi.hProcess, 99);
        ::WaitForSingleObject(m_pi.hProcess, 5000);
        ::CloseHandle(m_pi.hProcess);
        ::CloseHandle(m_pi.hThread);
    }
}

bool TarvelRun::Start(const OptEdits& extraEnv) {
    // Started again after it ended: the same copy, the same receiver.
    if (m_pi.hProcess) {
        if (Running())
            return false;
        ::CloseHandle(m_pi.hProcess);
        ::CloseHandle(m_pi.hThread);
        m_pi = {};
    }
    m_logStart = FileSize(LogFile());
    ::SetEnvironmentVariableW(L"TARVEL_VIRTUAL_RECEIVER", W(m_state).c_str());
    for (const auto& [key, value] : extraEnv)
        ::SetEnvironmentVariableW(std::wstring(key.begin(), key.end()).c_str(),
                                  std::wstring(value.begin(), value.end()).c_str());
    const std::wstring exe = (m_dir / L"Tarvel.exe").wstring();
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    const bool ok = ::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     m_dir.wstring().c_str(), &si, &m_pi) != FALSE;
    for (const auto& [key, value] : extraEnv)
        ::SetEnvironmentVariableW(std::wstring(key.begin(), key.end()).c_str(), nullptr);
    return ok;
}

// The virtual receiver keeps its unplugged state beside its state file.
void TarvelRun::UnplugBeforeStart() {
    std::ofstream(m_dir / L"receiver.state.unplugged", std::ios::binary);
}

HWND TarvelRun::Main() const {
    HWND hwnd = ::FindWindowW(nullptr, kTitle);
    DWORD pid = 0;
    if (hwnd)
        ::GetWindowThreadProcessId(hwnd, &pid);
    return hwnd && pid == m_pi.dwProcessId ? hwnd : nullptr;
}

bool TarvelRun::WaitReady(int ms) {
    const DWORD end = ::GetTickCount() + DWORD(ms);
    while (int(::GetTickCount() - end) < 0) {
        HWND hwnd = Main();
        if (hwnd && ::IsWindowVisible(hwnd) &&
            Log().find("ReadCurCfgThread Exit") != std::string::npos) {
            // When the read told the window, the pages show what was read
            // once the window has taken it; then they are painted afresh.
            if (Log().find("ReadCurCfgThread: post WM_SYNC_OK") != std::string::npos &&
                !WaitLog("OnSyncOk", 5000))
                return false;
            WaitPainted(hwnd);
            return true;
        }
        if (!Running())
            return false;
        Pump(50);
    }
    return false;
}

bool TarvelRun::Running() const {
    return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD TarvelRun::WaitExit(int ms) {
    if (!m_pi.hProcess)
        return DWORD(-1);
    const DWORD end = ::GetTickCount() + DWORD(ms);
    while (Running() && int(::GetTickCount() - end) < 0)
        Pump(50);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

bool TarvelRun::Exit(int ms) {
    if (HWND hwnd = Main())
        ::PostMessageW(hwnd, WM_COMMAND, ID_TRAY_EXIT, 0);
    return WaitExit(ms) != STILL_ACTIVE;
}

std::string TarvelRun::Log() const {
    const std::string all = ReadAll(LogFile());
    return m_logStart <= all.size() ? all.substr(size_t(m_logStart)) : all;
}

bool TarvelRun::WaitLog(const std::string& needle, int ms) {
    const DWORD end = ::GetTickCount() + DWORD(ms);
    do {
        if (Log().find(needle) != std::string::npos)
            return true;
        Pump(50);
    } while (int(::GetTickCount() - end) < 0);
    return false;
}

int TarvelRun::LogCount(const std::string& needle) const {
    const std::string log = Log();
    int n = 0;
    for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1))
        ++n;
    return n;
}

bool TarvelRun::WaitLogCount(const std::string& needle, int count, int ms) {
    const DWORD end = ::GetTickCount() + DWORD(ms);
    while (LogCount(needle) < count && int(::GetTickCount() - end) < 0)
        Pump(50);
    return LogCount(needle) >= count;
}

bool TarvelRun::Control(const std::string& command, std::string* reply) {
    return SendVirtualControl(m_state, command, reply);
}

std::vector<uint8_t> TarvelRun::Peek(uint32_t addr, uint32_t count) {
    std::vector<uint8_t> out;
    while (out.size() < count) {
        const uint32_t n = std::min<uint32_t>(256, count - uint32_t(out.size()));
        std::string reply;
        if (!Control("peek " + std::to_string(addr + out.size()) + " " + std::to_string(n), &reply))
            return {};
        const std::string hex = reply.substr(3);
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            out.push_back(uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

bool TarvelRun::Click(int controlId) {
    HWND btn = ::GetDlgItem(Main(), controlId);
    if (!btn)
        return false;
    ::PostMessageW(btn, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    ::PostMessageW(btn, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    return true;
}

bool TarvelRun::SelectProfile(int index, int ms) {
    const std::string taken = "nInx=" + std::to_string(index);
    const int before = LogCount(taken);
    return Click(IDC_MAIN_PRO1 + index) && WaitLogCount(taken, before + 1, ms);
}

HWND TarvelRun::WaitWindow(const wchar_t* title, const wchar_t* cls, int ms) {
    return WaitTopWindow({title, cls, m_pi.dwProcessId, Main()}, ms);
}

bool TarvelRun::WaitGone(HWND hwnd, int ms) {
    return driver::WaitGone(hwnd, ms);
}

HWND TarvelRun::WaitMessage(int ms) {
    return WaitWindow(L"TarvelMsgTopWindow", nullptr, ms);
}

bool TarvelRun::Answer(HWND message, int button, int ms) {
    return message && ClickControl(message, button) && driver::WaitGone(message, ms);
}

bool TarvelRun::AnswerFileDialog(const std::wstring& path, const std::string& shot,
                                 const ScreenPixels& before) {
    constexpr int kFileNameCombo = 0x47C; // cmb13 of the common file dialogs
    constexpr int kFileNameEdit = 0x480;  // edt1
    HWND dlg = WaitWindow(nullptr, L"#32770", 5000);
    if (!dlg)
        return false;
    Pump(300);
    if (!shot.empty()) {
        if (!WaitShownOnScreen(dlg, before))
            return false;
        Screenshot(shot);
    }
    const int field = ::GetDlgItem(dlg, kFileNameCombo) ? kFileNameCombo : kFileNameEdit;
    ::SetDlgItemTextW(dlg, field, path.c_str());
    ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(::GetDlgItem(dlg, IDOK)));
    return WaitGone(dlg, 5000);
}

HWND TarvelRun::Ctl(int controlId) const {
    return FindControl(Main(), controlId);
}

HWND TarvelRun::ShowPage(int slot, int controlId, int ms) {
    if (!ClickControl(Main(), IDC_MAIN_NAVI1 + slot))
        return nullptr;
    HWND control = WaitControl(Main(), controlId, ms);
    return control ? ::GetParent(control) : nullptr;
}

fs::path TarvelRun::DataDir() const {
    return m_dir / L"Tarvel";
}

std::vector<ProfileRecord> TarvelRun::StoredProfiles() const {
    const std::string bytes = ReadAll(DataDir() / L"pro.dct");
    std::vector<ProfileRecord> out(bytes.size() / sizeof(ProfileRecord));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(ProfileRecord));
    return out;
}

uint32_t TarvelRun::StoredCurId() const {
    const std::string bytes = ReadAll(DataDir() / L"curid.dct");
    uint32_t id = 0;
    if (bytes.size() >= 4)
        std::memcpy(&id, bytes.data(), 4);
    return id;
}

std::wstring TarvelRun::WinPath(const std::string& name) const {
    return (m_dir / fs::path(name)).wstring();
}

namespace {

// Saves `area` of the screen as a PNG file.
bool SaveScreenArea(const RECT& area, const fs::path& file) {
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0)
        return false;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, dib);
    const bool ok = ::BitBlt(mem, 0, 0, w, h, screen, area.left, area.top, SRCCOPY) != FALSE;
    // Open popup menus are drawn again on top from the windows themselves:
    // reading them back from the screen under Wine gives the window below.
    for (HWND menu = nullptr;
         (menu = ::FindWindowExW(nullptr, menu, L"TarvelKelmoMenu", nullptr));) {
        RECT rc;
        if (!::IsWindowVisible(menu) || !::GetWindowRect(menu, &rc))
            continue;
        const int saved = ::SaveDC(mem);
        ::SetViewportOrgEx(mem, rc.left - area.left, rc.top - area.top, nullptr);
        ::PrintWindow(menu, mem, 0);
        ::RestoreDC(mem, saved);
    }
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    bool saved = false;
    if (ok && bits) {
        Gdiplus::Bitmap image(w, h, w * 4, PixelFormat32bppRGB, static_cast<BYTE*>(bits));
        saved = fw::SavePng(image, file.wstring());
    }
    ::DeleteObject(dib);
    return saved;
}

} // namespace

fs::path ShotsDir() {
    return BuildDir() / L"shots";
}

namespace {
BOOL CALLBACK AddWaitingToBePainted(HWND hwnd, LPARAM param) {
    if (!::IsWindowVisible(hwnd) || !::GetUpdateRect(hwnd, nullptr, FALSE))
        return TRUE;
    char cls[64] = {};
    ::GetClassNameA(hwnd, cls, int(sizeof cls));
    std::string& out = *reinterpret_cast<std::string*>(param);
    out += (out.empty() ? "" : ", ") + std::string(cls) + " id " +
           std::to_string(::GetDlgCtrlID(hwnd));
    return TRUE;
}
} // namespace

std::string WaitingToBePainted(HWND window) {
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(::GetAncestor(window, GA_ROOT), WM_NULL, 0, 0, SMTO_BLOCK, 5000,
                               &answer))
        return "the program did not answer";
    std::string out;
    AddWaitingToBePainted(window, reinterpret_cast<LPARAM>(&out));
    ::EnumChildWindows(window, AddWaitingToBePainted, reinterpret_cast<LPARAM>(&out));
    return out;
}

bool Screenshot(const std::string& name) {
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    return SaveScreenArea(screen, ShotsDir() / fs::path(name + ".png"));
}

bool SaveWindowShot(HWND window, const fs::path& file) {
    RECT rc;
    return window && ::GetWindowRect(window, &rc) && SaveScreenArea(rc, file);
}

ProfileRecord DecodeDevice(const std::vector<uint8_t>& image, const ProfileRecord& base) {
    ProfileRecord out = base;
    HeadlessMacroTree tree;
    CfgReadCtx ctx;
    ctx.pMacroTree = &tree;
    ImageMemorySource source(image);
    EXPECT_EQ(ReadDevCfg(out, ctx, source), 1);
    return out;
}

ProfileRecord OnDeviceLevels(ProfileRecord read, const ProfileRecord& expected) {
    const int levels = pSensorCfg ? pSensorCfg->nLevels : kDpiLevels;
    for (int i = std::max(levels, 0); i < kDpiLevels; ++i)
        read.DpiLevel[i] = expected.DpiLevel[i];
    return read;
}

std::string Differences(const ProfileRecord& a, const ProfileRecord& b, int limit) {
    const auto* pa = reinterpret_cast<const uint8_t*>(&a);
    const auto* pb = reinterpret_cast<const uint8_t*>(&b);
    std::string out;
    for (size_t i = 0; i < sizeof(ProfileRecord) && limit > 0; ++i)
        if (pa[i] != pb[i]) {
            out += " @" + std::to_string(i) + ":" + std::to_string(pa[i]) + "/" +
                   std::to_string(pb[i]);
            --limit;
        }
    return out.empty() ? "none" : out;
}

std::wstring ItemText(HWND parent, int controlId) {
    wchar_t text[256] = {};
    ::GetDlgItemTextW(parent, controlId, text, 256);
    return text;
}

} // namespace e2e
