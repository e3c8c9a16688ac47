#pragma once
// The operating system's pointer settings that an apply brings in line with a
// profile: double-click time, wheel lines, mouse thresholds and acceleration,
// pointer speed and trails. On Windows they are SystemParametersInfoW; on
// other systems an in-memory stand-in serves tarvelctl, and tests install a
// MemorySystemMouse of their own to look at what an apply changed.

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

namespace platform {

// The SystemParametersInfo codes involved; a change is announced with the
// code of its SPI_SET* action as wParam.
enum SpiCode : uint32_t {
    kSpiGetMouse = 0x0003,
    kSpiSetMouse = 0x0004,
    kSpiSetDoubleClickTime = 0x0020,
    kSpiSetMouseTrails = 0x005D,
    kSpiGetMouseTrails = 0x005E,
    kSpiGetWheelScrollLines = 0x0068,
    kSpiSetWheelScrollLines = 0x0069,
    kSpiGetMouseSpeed = 0x0070,
    kSpiSetMouseSpeed = 0x0071,
};

// The window message a change is announced with (WM_SETTINGCHANGE).
constexpr uint32_t kMsgSettingChange = 0x001A;

// First threshold, second threshold, acceleration.
using MouseAcceleration = std::array<int32_t, 3>;

class SystemMouse {
public:
    virtual ~SystemMouse() = default;

    virtual uint32_t GetDoubleClickTime() = 0;
    // Every Set* stores the value persistently and tells the system about it;
    // false when the system refused it.
    virtual bool SetDoubleClickTime(uint32_t ms) = 0;
    // False when the system cannot say.
    virtual bool GetWheelScrollLines(uint32_t& lines) = 0;
    virtual bool SetWheelScrollLines(uint32_t lines) = 0;
    virtual bool GetMouse(MouseAcceleration& values) = 0;
    virtual bool SetMouse(const MouseAcceleration& values) = 0;
    virtual bool GetMouseSpeed(int32_t& speed) = 0;
    virtual bool SetMouseSpeed(int32_t speed) = 0;
    virtual bool GetMouseTrails(int32_t& trails) = 0;
    virtual bool SetMouseTrails(int32_t trails) = 0;
    // Posts WM_SETTINGCHANGE with `spiCode` as wParam to all top-level windows.
    virtual void AnnounceChange(uint32_t spiCode) = 0;
};

// The system's own settings (SystemParametersInfoW on Windows; a process-wide
// MemorySystemMouse elsewhere).
SystemMouse& OsSystemMouse();

// Settings held in memory, with a record of every change and announcement.
// Thread-safe: an apply worker changes it while a test looks.
class MemorySystemMouse : public SystemMouse {
public:
    struct Call {
        uint32_t spiCode; // the SPI_SET* code, or kMsgSettingChange for an announcement
        int64_t value; // the value set (the first of three for SPI_SETMOUSE), or the announced code
        bool operator==(const Call&) const = default;
    };

    uint32_t GetDoubleClickTime() override;
    bool SetDoubleClickTime(uint32_t ms) override;
    bool GetWheelScrollLines(uint32_t& lines) override;
    bool SetWheelScrollLines(uint32_t lines) override;
    bool GetMouse(MouseAcceleration& values) override;
    bool SetMouse(const MouseAcceleration& values) override;
    bool GetMouseSpeed(int32_t& speed) override;
    bool SetMouseSpeed(int32_t speed) override;
    bool GetMouseTrails(int32_t& trails) override;
    bool SetMouseTrails(int32_t trails) override;
    void AnnounceChange(uint32_t spiCode) override;

    // The values a fresh Windows installation has.
    void Reset();
    // Makes the wheel-lines query fail, as it may on a system without a wheel.
    void SetWheelQueryFails(bool fails);
    std::vector<Call> Calls() const;
    void ClearCalls();

private:
    mutable std::mutex m_mtx;
    uint32_t m_nDblClickTime = 500;
    uint32_t m_nWheelLines = 3;
    MouseAcceleration m_mouse{6, 10, 1};
    int32_t m_nSpeed = 10;
    int32_t m_nTrails = 0;
    bool m_bWheelQueryFails = false;
    std::vector<Call> m_calls;
};

} // namespace platform
