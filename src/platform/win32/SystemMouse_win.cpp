// The system's pointer settings through SystemParametersInfoW. Every change is
// written to the user profile and broadcast (SPIF_UPDATEINIFILE |
// SPIF_SENDCHANGE); the caller then announces it once more by posting
// WM_SETTINGCHANGE to all top-level windows.

#include "platform/SystemMouse.h"

#include <windows.h>

#include <cstdint>

namespace platform {
namespace {

constexpr UINT kStoreAndTell = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

static_assert(kSpiGetMouse == SPI_GETMOUSE && kSpiSetMouse == SPI_SETMOUSE);
static_assert(kSpiSetDoubleClickTime == SPI_SETDOUBLECLICKTIME);
static_assert(kSpiGetWheelScrollLines == SPI_GETWHEELSCROLLLINES &&
              kSpiSetWheelScrollLines == SPI_SETWHEELSCROLLLINES);
static_assert(kSpiGetMouseSpeed == SPI_GETMOUSESPEED && kSpiSetMouseSpeed == SPI_SETMOUSESPEED);
static_assert(kSpiGetMouseTrails == SPI_GETMOUSETRAILS && kSpiSetMouseTrails == SPI_SETMOUSETRAILS);
static_assert(kMsgSettingChange == WM_SETTINGCHANGE);

class WindowsSystemMouse : public SystemMouse {
public:
    uint32_t GetDoubleClickTime() override { return ::GetDoubleClickTime(); }
    bool SetDoubleClickTime(uint32_t ms) override {
        return SystemParametersInfoW(SPI_SETDOUBLECLICKTIME, ms, nullptr, kStoreAndTell) != FALSE;
    }
    bool GetWheelScrollLines(uint32_t& lines) override {
        UINT value = 0;
        if (!SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &value, 0))
            return false;
        lines = value;
        return true;
    }
    bool SetWheelScrollLines(uint32_t lines) override {
        return SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, lines, nullptr, kStoreAndTell) !=
               FALSE;
    }
    bool GetMouse(MouseAcceleration& values) override {
        int v[3] = {};
        if (!SystemParametersInfoW(SPI_GETMOUSE, 0, v, 0))
            return false;
        values = {v[0], v[1], v[2]};
        return true;
    }
    bool SetMouse(const MouseAcceleration& values) override {
        int v[3] = {values[0], values[1], values[2]};
        return SystemParametersInfoW(SPI_SETMOUSE, 0, v, kStoreAndTell) != FALSE;
    }
    bool GetMouseSpeed(int32_t& speed) override {
        int value = 0;
        if (!SystemParametersInfoW(SPI_GETMOUSESPEED, 0, &value, 0))
            return false;
        speed = value;
        return true;
    }
    bool SetMouseSpeed(int32_t speed) override {
        // The speed travels in the pointer argument itself.
        return SystemParametersInfoW(SPI_SETMOUSESPEED, 0,
                                     reinterpret_cast<void*>(static_cast<intptr_t>(speed)),
                                     kStoreAndTell) != FALSE;
    }
    bool GetMouseTrails(int32_t& trails) override {
        int value = 0;
        if (!SystemParametersInfoW(SPI_GETMOUSETRAILS, 0, &value, 0))
            return false;
        trails = value;
        return true;
    }
    bool SetMouseTrails(int32_t trails) override {
        return SystemParametersInfoW(SPI_SETMOUSETRAILS, UINT(trails), nullptr, kStoreAndTell) !=
               FALSE;
    }
    void AnnounceChange(uint32_t spiCode) override {
        PostMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, WPARAM(spiCode), 0);
    }
};

} // namespace

SystemMouse& OsSystemMouse() {
    static WindowsSystemMouse mouse;
    return mouse;
}

} // namespace platform
