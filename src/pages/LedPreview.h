#pragma once
// CLedPreview: the lighting page's picture of the mouse with its lights on.
// The skin's masks ledmask_main.png (the glow around the mouse and its rear
// strip) and ledmask_logo.png (the logo), white on clear in window
// coordinates like led_nr.png, are drawn over the page's own picture in each
// light's colour and strength, dark when the light is off; breathing and
// colour cycles run as a gentle animation, with a timer only while the
// picture is on screen. Without the masks no window is made and the page
// keeps its plain picture. Clicks pass through to the page.

#include "framework/GdiPlus.h"
#include "model/ProfileRecord.h"
#include "pages/LedLook.h"

#include <windows.h>

#include <array>
#include <cstdint>

class CLedPreview {
public:
    static constexpr int kMain = 0, kLogo = 1;
    // Frames of the animation are this far apart.
    static constexpr UINT kFrameMs = 50;

    CLedPreview() = default;
    ~CLedPreview();
    CLedPreview(const CLedPreview&) = delete;
    CLedPreview& operator=(const CLedPreview&) = delete;

    // Makes the picture as a child of `page` over the part the masks cover;
    // `background` is the page's picture in page coordinates. False, with
    // nothing made, when the skin has neither mask.
    bool Create(HWND page, Gdiplus::Bitmap* background);
    HWND Hwnd() const { return m_hwnd; }

    // A light to show; `shown` false leaves it dark (the product has no such
    // light). `speedSteps` is its speed slider's range.
    void SetLight(int which, const LightRecord& light, bool shown, int speedSteps);
    // The look of a light as the picture shows it now.
    led::LightLook LookNow(int which) const;
    // Whether the animation's timer runs.
    bool Animating() const { return m_bTimer; }

private:
    struct Mask {
        fw::Image image; // the mask's covered area
        RECT at{};       // where it lies in the page
    };
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc, int width, int height);
    bool AnythingMoves() const;
    // Starts the timer when something moves and the picture is on screen,
    // stops it otherwise.
    void UpdateTimer();
    bool OnScreen() const;

    HWND m_hwnd = nullptr;
    RECT m_rect{}; // in the page
    fw::Image m_imgBkg;
    std::array<Mask, 2> m_mask;
    std::array<LightRecord, 2> m_light{};
    std::array<bool, 2> m_shown{};
    std::array<int, 2> m_speedSteps{10, 10};
    uint32_t m_start = 0; // tick count the animation counts from
    bool m_bTimer = false;
};
