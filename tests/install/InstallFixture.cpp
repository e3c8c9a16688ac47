#include "InstallFixture.h"

#include "app/resource.h"

#include <gtest/gtest.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string_view>

namespace install {
namespace {

// A Unix path of the build as the Windows side sees it (drive Z:).
fs::path FromBuild(const std::string& unix) {
    std::wstring out = L"Z:";
    for (char c : unix)
        out += c == '/' ? L'\\' : wchar_t(static_cast<unsigned char>(c));
    return fs::path(out);
}

fs::path KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    ::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
    return fs::path(path);
}

fs::path LogFile() {
    return KnownFolder(CSIDL_DESKTOPDIRECTORY) / L"Log.txt";
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

uintmax_t FileSize(const fs::path& p) {
    std::error_code ec;
    const uintmax_t n = fs::file_size(p, ec);
    return ec ? 0 : n;
}

template <class T> struct ComRelease {
    void operator()(T* p) const { p->Release(); }
};
template <class T> using ComPtr = std::unique_ptr<T, ComRelease<T>>;

// The main window of the product: a dialog with its title.
HWND MainWindowOf(DWORD pid) {
    for (HWND hwnd = nullptr; (hwnd = ::FindWindowExW(nullptr, hwnd, L"#32770", L"Tarvel"));) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if (pid == 0 || owner == pid)
            return hwnd;
    }
    return nullptr;
}

} // namespace

fs::path SetupExe() {
    return FromBuild(TARVEL_SETUP);
}
fs::path OlderSetupExe() {
    return FromBuild(TARVEL_OLDER_SETUP);
}
fs::path ReleaseFolder() {
    return FromBuild(TARVEL_RELEASE_FOLDER);
}

fs::path InstallDir() {
    return KnownFolder(CSIDL_LOCAL_APPDATA) / L"Programs" / L"Tarvel";
}
fs::path DataDir() {
    return KnownFolder(CSIDL_LOCAL_APPDATA) / L"Tarvel";
}
fs::path StartMenuLink() {
    return KnownFolder(CSIDL_PROGRAMS) / L"Tarvel.lnk";
}

std::wstring UserRegString(const wchar_t* key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD bytes = sizeof value;
    if (::RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value, &bytes) !=
        ERROR_SUCCESS)
        return {};
    return value;
}

bool UserKeyExists(const wchar_t* key) {
    HKEY hkey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(hkey);
    return true;
}

LinkTarget ReadLink(const fs::path& link) {
    LinkTarget out;
    const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        IShellLinkW* rawLink = nullptr;
        if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkW, reinterpret_cast<void**>(&rawLink)))) {
            ComPtr<IShellLinkW> shellLink(rawLink);
            IPersistFile* rawFile = nullptr;
            if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile,
                                                    reinterpret_cast<void**>(&rawFile)))) {
                ComPtr<IPersistFile> file(rawFile);
                wchar_t target[MAX_PATH] = {}, dir[MAX_PATH] = {};
                if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
                    SUCCEEDED(shellLink->GetPath(target, MAX_PATH, nullptr, 0)) &&
                    SUCCEEDED(shellLink->GetWorkingDirectory(dir, MAX_PATH)))
                    out = {target, dir};
            }
        }
    }
    if (SUCCEEDED(init))
        ::CoUninitialize();
    return out;
}

std::wstring FileVersion(const fs::path& exe) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    if (size == 0)
        return {};
    std::string block(size, '\0');
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!::GetFileVersionInfoW(exe.c_str(), 0, size, block.data()) ||
        !::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info)
        return {};
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(HIWORD(info->dwFileVersionLS));
}

Tree ReadTree(const fs::path& dir) {
    Tree tree;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec))
        if (it->is_regular_file())
            tree[fs::relative(it->path(), dir).wstring()] = ReadAll(it->path());
    return tree;
}

std::string TreeDifferences(const Tree& a, const Tree& b) {
    std::string out;
    auto name = [](const std::wstring& w) { return std::string(w.begin(), w.end()); };
    for (const auto& [file, bytes] : a) {
        const auto other = b.find(file);
        if (other == b.end())
            out += " only-first:" + name(file);
        else if (other->second != bytes)
            out += " differs:" + name(file);
    }
    for (const auto& [file, bytes] : b)
        if (!a.count(file))
            out += " only-second:" + name(file);
    return out.empty() ? "none" : out;
}

void CleanSlate() {
    // A program an earlier test left running ends as the user would end it.
    if (HWND running = MainWindowOf(0)) {
        ::PostMessageW(running, WM_COMMAND, ID_TRAY_EXIT, 0);
        WaitUntil([&] { return !::IsWindow(running); }, 15000);
    }
    std::error_code ec;
    fs::remove_all(InstallDir(), ec);
    fs::remove_all(DataDir(), ec);
    fs::remove(StartMenuLink(), ec);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Tarvel");
}

HWND WaitTitled(const wchar_t* title, HWND exclude, int ms) {
    struct Search {
        std::wstring_view title;
        HWND exclude;
        HWND found;
    } search{title, exclude, nullptr};
    WaitUntil(
        [&] {
            ::EnumWindows(
                [](HWND hwnd, LPARAM param) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(param);
                    if (hwnd == s->exclude || !::IsWindowVisible(hwnd))
                        return TRUE;
                    if (TextOf(hwnd).starts_with(s->title)) {
                        s->found = hwnd;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        ms);
    return search.found;
}

namespace {
// The pixels the screen shows in a window's rectangle.
std::string ScreenPixels(HWND hwnd) {
    const RECT rc = ScreenRect(hwnd);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0)
        return {};
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::string pixels(size_t(w) * size_t(h) * 4, '\0');
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(mem, bitmap);
    ::BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    ::SelectObject(mem, old);
    ::GetDIBits(mem, bitmap, 0, UINT(h), pixels.data(), &bi, DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}
} // namespace

bool WaitStill(HWND hwnd, int ms) {
    WaitPainted(hwnd);
    std::string last = ScreenPixels(hwnd);
    return WaitUntil(
        [&] {
            Pump(100);
            std::string now = ScreenPixels(hwnd);
            const bool still = now == last;
            last = std::move(now);
            return still;
        },
        ms);
}

Process::Process(const std::wstring& cmd) {
    std::wstring line = cmd;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &m_pi))
        m_pi = {};
}

Process::~Process() {
    if (m_pi.hProcess) {
        ::CloseHandle(m_pi.hProcess);
        ::CloseHandle(m_pi.hThread);
    }
}

bool Process::Running() const {
    return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Process::WaitExit(int ms) {
    if (!m_pi.hProcess)
        return DWORD(-1);
    // Pumping: the test's own windows (none so far) keep answering.
    WaitUntil([&] { return !Running(); }, ms);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

DWORD RunAndWait(const fs::path& exe, const std::wstring& args, int ms) {
    Process p(L"\"" + exe.wstring() + L"\" " + args);
    return p.WaitExit(ms);
}

std::wstring UninstallCommand(bool silent) {
    return UserRegString(kUninstallKey, silent ? L"QuietUninstallString" : L"UninstallString");
}

InstalledRun::InstalledRun(const std::string& receiver)
    : m_state((FromBuild(INSTALL_BINARY_DIR) / fs::path(receiver + ".state")).wstring()) {
    std::error_code ec;
    fs::remove(m_state, ec); // a fresh receiver with its factory configuration
}

InstalledRun::~InstalledRun() {
    if (Running() && !Exit())
        ADD_FAILURE_AT(__FILE__, __LINE__);
}

bool InstalledRun::Start() {
    const fs::path cfg = InstallDir() / L"cfg.ini";
    std::string text = ReadAll(cfg);
    const std::string key = "\nDebug=";
    const size_t at = text.find(key);
    if (at == std::string::npos)
        return false;
    const size_t value = at + key.size();
    const size_t end = std::min(text.find_first_of("\r\n", value), text.size());
    text = text.substr(0, value) + "2" + text.substr(end);
    std::ofstream(cfg, std::ios::binary | std::ios::trunc) << text;

    m_logStart = FileSize(LogFile());
    ::SetEnvironmentVariableW(L"TARVEL_VIRTUAL_RECEIVER", m_state.c_str());
    m_process = std::make_unique<Process>(L"\"" + (InstallDir() / L"Tarvel.exe").wstring() + L"\"");
    ::SetEnvironmentVariableW(L"TARVEL_VIRTUAL_RECEIVER", nullptr);
    return m_process->Started();
}

HWND InstalledRun::Main() const {
    return m_process ? MainWindowOf(m_process->Id()) : nullptr;
}

bool InstalledRun::WaitReady(int ms) {
    return WaitUntil(
        [&] {
            HWND hwnd = Main();
            if (!hwnd || !::IsWindowVisible(hwnd))
                return false;
            const std::string log = Log();
            // When the read told the window, the pages show what was read once
            // the window has taken it.
            const bool read = log.find("ReadCurCfgThread Exit") != std::string::npos;
            const bool told = log.find("ReadCurCfgThread: post WM_SYNC_OK") != std::string::npos;
            if (!read || (told && log.find("OnSyncOk") == std::string::npos))
                return false;
            WaitPainted(hwnd);
            return true;
        },
        ms);
}

bool InstalledRun::Exit(int ms) {
    if (HWND hwnd = Main())
        ::PostMessageW(hwnd, WM_COMMAND, ID_TRAY_EXIT, 0);
    return WaitExit(ms) != STILL_ACTIVE;
}

std::string InstalledRun::Log() const {
    const std::string all = ReadAll(LogFile());
    return m_logStart <= all.size() ? all.substr(size_t(m_logStart)) : all;
}

} // namespace install
