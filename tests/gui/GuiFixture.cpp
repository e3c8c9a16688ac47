#include "GuiFixture.h"

#include "app/AppGlobals.h"
#include "common/TestUtil.h"
#include "controls/SkinWarning.h"
#include "model/InitData.h"
#include "settings/TextTable.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace guitest {
namespace {

// Settings, texts and GDI+ as the program has them after start-up, from the
// product folder of the source tree.
class GuiEnvironment : public testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
        m_gdiplus = std::make_unique<fw::GdiplusSession>();
        g_szExeDir = ProductDir();
        ASSERT_TRUE(settings::InitData(U(g_szExeDir)));
        settings::LoadTextTable(U(g_szExeDir + L"text.xml"));
        std::filesystem::create_directories(std::filesystem::path(WinDir(TARVEL_SHOTS_DIR)));
    }
    void TearDown() override { m_gdiplus.reset(); }

private:
    std::unique_ptr<fw::GdiplusSession> m_gdiplus;
};
[[maybe_unused]] testing::Environment* const g_env =
    testing::AddGlobalTestEnvironment(new GuiEnvironment);

std::function<void(HWND)> g_script;
fw::Dialog* g_scripted = nullptr;

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    auto script = std::move(g_script);
    g_script = nullptr;
    if (script && g_scripted && g_scripted->Hwnd())
        script(g_scripted->Hwnd());
}

} // namespace

std::wstring ProductDir() {
    return W(testutil::ProductDir());
}

std::wstring WinDir(const std::string& unixDir) {
    std::wstring dir = L"Z:" + std::wstring(unixDir.begin(), unixDir.end());
    for (wchar_t& c : dir)
        if (c == L'/')
            c = L'\\';
    if (dir.back() != L'\\')
        dir += L'\\';
    return dir;
}

ExeDirScope::ExeDirScope(const std::wstring& dir) : m_saved(g_szExeDir) {
    g_szExeDir = dir;
}
ExeDirScope::~ExeDirScope() {
    g_szExeDir = m_saved;
}

namespace {

std::wstring CopySkinsWithout(const testutil::TempDir& dir,
                              const std::vector<const char*>& missing) {
    namespace fs = std::filesystem;
    const fs::path from = fs::path(testutil::ProductDir()) / "skins";
    const fs::path to = dir.Path() / "skins";
    fs::create_directories(to);
    for (const fs::directory_entry& e : fs::directory_iterator(from))
        if (e.is_regular_file())
            // Wine folds case: Check_dn.png and check_dn.png are one file.
            fs::copy_file(e.path(), to / e.path().filename(), fs::copy_options::overwrite_existing);
    for (const char* name : missing)
        fs::remove(to / name);
    return W(dir.Dir());
}

} // namespace

SkinsWithout::SkinsWithout(const std::vector<const char*>& missing)
    : m_scope(CopySkinsWithout(m_dir, missing)) {}

INT_PTR RunModal(fw::Dialog& dlg, const std::function<void(HWND)>& script, HWND owner) {
    g_script = script;
    g_scripted = &dlg;
    // A thread timer fires only once the modal loop waits for messages.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, RunScript);
    const INT_PTR result = dlg.DoModal(owner);
    ::KillTimer(nullptr, timer);
    g_script = nullptr;
    g_scripted = nullptr;
    return result;
}

fw::Image Capture(HWND hwnd) {
    ::RedrawWindow(hwnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT rc;
    ::GetWindowRect(hwnd, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC windowDc = ::GetWindowDC(hwnd);
    fw::Bitmap dib(::CreateDIBSection(windowDc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    fw::MemoryDcHandle memDc(::CreateCompatibleDC(windowDc));
    bool ok = false;
    if (dib && memDc) {
        fw::SelectScope select(memDc.Get(), dib.Get());
        ok = ::BitBlt(memDc.Get(), 0, 0, w, h, windowDc, 0, 0, SRCCOPY) != FALSE;
    }
    ::ReleaseDC(hwnd, windowDc);
    if (!ok)
        return nullptr;
    auto image = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppRGB);
    Gdiplus::BitmapData data{};
    Gdiplus::Rect all(0, 0, w, h);
    if (image->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppRGB, &data) !=
        Gdiplus::Ok)
        return nullptr;
    for (int y = 0; y < h; ++y)
        std::memcpy(static_cast<uint8_t*>(data.Scan0) + y * data.Stride,
                    static_cast<const uint8_t*>(bits) + size_t(y) * size_t(w) * 4, size_t(w) * 4);
    image->UnlockBits(&data);
    return image;
}

bool SaveShot(HWND hwnd, const std::wstring& name) {
    fw::Image image = Capture(hwnd);
    return image && fw::SavePng(*image, WinDir(TARVEL_SHOTS_DIR) + name + L".png");
}

uint32_t PixelAt(Gdiplus::Bitmap& image, int x, int y) {
    Gdiplus::Color c;
    image.GetPixel(x, y, &c);
    return c.GetValue() & 0xFFFFFF;
}

bool RouteKey(HWND target, HWND topLevel, UINT msg, UINT vk, LPARAM lParam) {
    MSG m{target, msg, vk, lParam, ::GetTickCount(), {}};
    if (fw::RouteMessage(m, topLevel))
        return true;
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
    return false;
}

SystemBoxRecorder::SystemBoxRecorder() {
    ResetSkinWarnings();
    SetSystemBox(
        [this](const std::u16string& text, const std::u16string&) { m_texts.push_back(text); });
}

SystemBoxRecorder::~SystemBoxRecorder() {
    SetSystemBox({});
    ResetSkinWarnings();
}

std::wstring WindowText(HWND hwnd) {
    wchar_t buf[512] = {};
    ::GetWindowTextW(hwnd, buf, int(std::size(buf)));
    return buf;
}

} // namespace guitest
