#include "sync/SystemSettings.h"

#include "settings/Log.h"

using platform::SystemMouse;

namespace {

// A refused change is logged and the next setting is tried; the device part
// of the apply does not depend on these.
bool Changed(bool ok, uint32_t spiCode, SystemMouse& mouse) {
    if (!ok) {
        settings::WriteLog("Apply sys: setting 0x%x refused", unsigned(spiCode));
        return false;
    }
    mouse.AnnounceChange(spiCode);
    return true;
}

} // namespace

int ApplySystemSettings(const ProfileRecord& p, SystemMouse& mouse) {
    int changed = 0;

    if (mouse.GetDoubleClickTime() != uint32_t(p.nDblClickTime))
        changed += Changed(mouse.SetDoubleClickTime(uint32_t(p.nDblClickTime)),
                           platform::kSpiSetDoubleClickTime, mouse);

    // A query that fails counts as a different value.
    uint32_t lines = 0;
    if (!mouse.GetWheelScrollLines(lines) || lines != uint32_t(p.nWheelLines))
        changed += Changed(mouse.SetWheelScrollLines(uint32_t(p.nWheelLines)),
                           platform::kSpiSetWheelScrollLines, mouse);

    const platform::MouseAcceleration wanted =
        p.bEnhancePrecision ? kEnhancedPrecision : kNoPrecision;
    platform::MouseAcceleration current{};
    if (!mouse.GetMouse(current) || current != wanted)
        changed += Changed(mouse.SetMouse(wanted), platform::kSpiSetMouse, mouse);

    int32_t speed = 0;
    if (!mouse.GetMouseSpeed(speed) || speed != p.nPointerSpeed)
        changed +=
            Changed(mouse.SetMouseSpeed(p.nPointerSpeed), platform::kSpiSetMouseSpeed, mouse);

    int32_t trails = 0;
    if (!mouse.GetMouseTrails(trails) || trails != p.nMouseTrails)
        changed +=
            Changed(mouse.SetMouseTrails(p.nMouseTrails), platform::kSpiSetMouseTrails, mouse);

    return changed;
}
