#include "model/InitData.h"

#include "model/KeyTable.h"
#include "model/SensorCatalogue.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include <cstring>

namespace settings {

namespace {

// The power control stands in the report-rate control's column unless
// ptPower names a column of its own.
void PlacePowerControl() {
    if (g_opt.ptPower.x == 0)
        g_opt.ptPower.x = g_opt.ptRate.x;
}

} // namespace

bool InitData(const std::u16string& exeDir) {
    g_opt = {};
    g_macroLimits = {};
    std::memset(g_KeyTable, 0, sizeof g_KeyTable);
    ResetSensorCatalogue();

    // One read of the file serves the options and the sensor sections.
    const IniFile ini = IniFile::Load(exeDir + u"cfg.ini");
    g_opt.n3325Setp200 = int32_t(ini.GetInt(u"OPT", u"3325Setp200", 0));
    BuildSensorDpiTables();
    if (!LoadCfg(ini) || LoadSensorCfg(ini) != 1 || !pSensorCfg)
        return false;

    // The key table followed the active sensor as LoadSensorCfg chose it.
    PlacePowerControl();
    g_macroLimits = {g_opt.MinDelay, 65535, 70, 384};
    return true;
}

} // namespace settings
