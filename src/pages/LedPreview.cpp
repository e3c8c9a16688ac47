#include "pages/LedPreview.h"

#include "controls/SkinFactory.h"
#include "framework/Handles.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <algorithm>

using settings::g_opt;

namespace {

constexpr wchar_t kClassName[] = L"TarvelLedPreview";
constexpr UINT_PTR kTimerId = 1;
constexpr const wchar_t* kMaskNames[2] = {L"ledmask_main.png", L"ledmask_logo.png"};

bool RegisterOnce(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        if (!::RegisterClassW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            settings::WriteLog("CLedPreview: RegisterClass failed, error %lu", ::GetLastError());
            return false;
        }
        return true;
    }();
    return registered;
}

// The smallest rectangle holding every pixel of `image` that is not wholly
// clear; empty when there is none.
RECT CoveredArea(Gdiplus::Bitmap& image) {
    const int w = int(image.GetWidth()), h = int(image.GetHeight());
    Gdiplus::BitmapData data{};
    Gdiplus::Rect all(0, 0, w, h);
    RECT box{w, h, 0, 0};
    if (image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) !=
        Gdiplus::Ok)
        return {};
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(
            static_cast<const uint8_t*>(data.Scan0) + ptrdiff_t(y) * data.Stride);
        for (int x = 0; x < w; ++x) {
            if ((row[x] >> 24) == 0)
                continue;
            box.left = std::min<LONG>(box.left, x);
            box.right = std::max<LONG>(box.right, x + 1);
            box.top = std::min<LONG>(box.top, y);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    }
    image.UnlockBits(&data);
    return box.right > box.left ? box : RECT{};
}

} // namespace

CLedPreview::~CLedPreview() {
    if (m_hwnd && ::IsWindow(m_hwnd))
        ::DestroyWindow(m_hwnd);
}

bool CLedPreview::Create(HWND page, Gdiplus::Bitmap* background) {
    if (m_hwnd || !RegisterOnce(WndProc))
        return false;
    const settings::Rect& sub = g_opt.rcSubDlg;
    RECT area{};
    for (int i : {kMain, kLogo}) {
        fw::Image full = LoadSkinImage(kMaskNames[i]);
        // The mask lies over the whole window; the page holds its own part.
        fw::Image part =
            CropImage(full.get(), sub.left, sub.top, sub.Width(), sub.bottom - sub.top);
        if (!part)
            continue;
        const RECT covered = CoveredArea(*part);
        if (::IsRectEmpty(&covered))
            continue;
        m_mask[i].image = CropImage(part.get(), covered.left, covered.top,
                                    covered.right - covered.left, covered.bottom - covered.top);
        m_mask[i].at = covered;
        ::UnionRect(&area, &area, &covered);
    }
    if (::IsRectEmpty(&area))
        return false;
    m_rect = area;
    m_imgBkg =
        CropImage(background, area.left, area.top, area.right - area.left, area.bottom - area.top);
    m_start = ::GetTickCount();
    HWND hwnd = ::CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, area.left, area.top,
                                  area.right - area.left, area.bottom - area.top, page, nullptr,
                                  ::GetModuleHandleW(nullptr), this);
    if (!hwnd) {
        settings::WriteLog("CLedPreview: window not created, error %lu", ::GetLastError());
        return false;
    }
    // Under the page's other controls, should one reach into the picture.
    ::SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

void CLedPreview::SetLight(int which, const LightRecord& light, bool shown, int speedSteps) {
    if (which != kMain && which != kLogo)
        return;
    m_light[size_t(which)] = light;
    m_shown[size_t(which)] = shown;
    m_speedSteps[size_t(which)] = speedSteps;
    if (!m_hwnd)
        return;
    ::InvalidateRect(m_hwnd, nullptr, FALSE);
    UpdateTimer();
}

led::LightLook CLedPreview::LookNow(int which) const {
    if ((which != kMain && which != kLogo) || !m_shown[size_t(which)])
        return {};
    return led::LookAt(m_light[size_t(which)], m_speedSteps[size_t(which)],
                       ::GetTickCount() - m_start);
}

bool CLedPreview::AnythingMoves() const {
    for (int i : {kMain, kLogo})
        if (m_shown[size_t(i)] && m_mask[size_t(i)].image && led::Animated(m_light[size_t(i)]))
            return true;
    return false;
}

bool CLedPreview::OnScreen() const {
    return m_hwnd && ::IsWindowVisible(m_hwnd) && !::IsIconic(::GetAncestor(m_hwnd, GA_ROOT));
}

void CLedPreview::UpdateTimer() {
    const bool wanted = AnythingMoves() && OnScreen();
    if (wanted == m_bTimer)
        return;
    if (wanted)
        m_bTimer = ::SetTimer(m_hwnd, kTimerId, kFrameMs, nullptr) != 0;
    else {
        ::KillTimer(m_hwnd, kTimerId);
        m_bTimer = false;
    }
}

void CLedPreview::Paint(HDC dc, int width, int height) {
    Gdiplus::Graphics g(dc);
    if (m_imgBkg)
        g.DrawImage(m_imgBkg.get(), 0, 0, width, height);
    for (int i : {kMain, kLogo}) {
        const Mask& mask = m_mask[size_t(i)];
        const led::LightLook look = LookNow(i);
        if (!mask.image || look.level <= 0)
            continue;
        // The mask's white becomes the light's colour, its clearness scaled
        // by how strongly the light shines.
        const Gdiplus::REAL r = Gdiplus::REAL(look.colour & 0xFF) / 255;
        const Gdiplus::REAL gr = Gdiplus::REAL(look.colour >> 8 & 0xFF) / 255;
        const Gdiplus::REAL b = Gdiplus::REAL(look.colour >> 16 & 0xFF) / 255;
        const Gdiplus::ColorMatrix tint = {{{0, 0, 0, 0, 0},
                                            {0, 0, 0, 0, 0},
                                            {0, 0, 0, 0, 0},
                                            {0, 0, 0, Gdiplus::REAL(look.level), 0},
                                            {r, gr, b, 0, 1}}};
        Gdiplus::ImageAttributes attributes;
        attributes.SetColorMatrix(&tint);
        const int w = int(mask.image->GetWidth()), h = int(mask.image->GetHeight());
        g.DrawImage(mask.image.get(),
                    Gdiplus::Rect(mask.at.left - m_rect.left, mask.at.top - m_rect.top, w, h), 0, 0,
                    w, h, Gdiplus::UnitPixel, &attributes);
    }
}

LRESULT CLedPreview::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        fw::PaintScope paint(m_hwnd);
        RECT rc;
        ::GetClientRect(m_hwnd, &rc);
        fw::BackBuffer buffer(paint.Dc(), rc.right, rc.bottom);
        Paint(buffer.Dc(), rc.right, rc.bottom);
        buffer.CopyTo();
        // Painted means seen again (the page shown, the window restored):
        // the animation resumes.
        UpdateTimer();
        return 0;
    }
    case WM_ERASEBKGND:
        return 1; // drawn whole in WM_PAINT
    case WM_TIMER:
        if (wParam != kTimerId)
            break;
        // Hidden with its page or minimised with the window: no more frames
        // until it is painted again.
        UpdateTimer();
        if (m_bTimer)
            ::InvalidateRect(m_hwnd, nullptr, FALSE);
        return 0;
    case WM_NCHITTEST:
        return HTTRANSPARENT; // the page takes the clicks (it drags the window)
    default:
        break;
    }
    return ::DefWindowProcW(m_hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK CLedPreview::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self =
            static_cast<CLedPreview*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CLedPreview*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->m_hwnd = nullptr;
        self->m_bTimer = false;
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    return self->OnMessage(msg, wParam, lParam);
}
