#include "sync/OpenReceiver.h"

#include "model/SensorCatalogue.h"
#include "settings/Log.h"
#include "settings/Settings.h"

bool OpenReceiver(CUSBDriver& driver) {
    if (!driver.OpenDevice())
        return false;
    if (settings::g_opt.AutoSw == 0)
        return true;
    uint16_t release = 0;
    if (!driver.ReleaseNumber(release)) {
        settings::WriteLog("OpenReceiver: release number unreadable, sensor 0x%x kept",
                           unsigned(g_nCurSensor));
        return true;
    }
    settings::WriteLog("bcdDevice=0x%04x, nSensor=%x", unsigned(release), unsigned(release >> 12));
    if (const uint32_t sensor = SensorOfRelease(release))
        set_cur_sensor(sensor);
    settings::WriteLog("mouse's sensor is %x", unsigned(g_nCurSensor));
    return true;
}
