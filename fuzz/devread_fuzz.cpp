// Arbitrary device memory through the configuration read: the input is the
// device's memory image (zero-filled up to the full 0x2000 bytes), read
// without the device's pauses; macros found in it join a headless library.

#include "FuzzTempDir.h"
#include "model/InitData.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "sim/VirtualReceiver.h"
#include "store/AppDataDir.h"
#include "store/HeadlessMacroTree.h"
#include "store/MacroList.h"
#include "store/ProfileDefaults.h"
#include "sync/DeviceRead.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Setup {
    Setup() {
        platform::SetMessageBoxSink([](const std::u16string&, const std::u16string&) {});
        // A product with the 0x3325 sensor and its lift-off setting.
        const auto dir = OwnFuzzDir("tarvel-devread-fuzz");
        std::ofstream(dir / "cfg.ini", std::ios::binary | std::ios::trunc)
            << "[OPT]\r\nSensor=0x3325\r\nShowMainEffect=1\r\n"
               "[SENSOR_1]\r\nSensor=0x3325\r\nDM=6\r\nShowLOD=1\r\n";
        settings::InitData(text::FromUtf8(dir.string() + "/"));
        settings::g_opt.Debug = 0;
        g_MacroList.SetOwnership(kListOwnsElements);
        SetAppDataDir(text::FromUtf8(dir.string() + "/"));
        library = dir / "Mac";
    }
    std::filesystem::path library; // where the device's macros are added
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    std::vector<uint8_t> image(sim::kMemorySize, 0);
    std::copy(data, data + std::min(size, image.size()), image.begin());
    // The first input bytes beyond the memory choose the settings.
    const uint8_t knobs = size > sim::kMemorySize ? data[sim::kMemorySize] : 0;
    settings::g_opt.GoWithNoDev = knobs & 1;
    settings::g_opt.ShowMainEffect = (knobs >> 1) & 1;
    settings::g_opt.KeyMask = knobs >> 2;
    if (knobs & 0x80)
        image.resize(0x300); // reads beyond fail

    // Every key position has a device slot.
    static const ProfileRecord base = [] {
        ProfileRecord r;
        NewProfileRecord(r);
        for (int i = 0; i < kKeysPerMode; ++i)
            r.Key[0][i].nMatrixIndex = i + 1;
        return r;
    }();
    ProfileRecord p = base;
    HeadlessMacroTree tree;
    CfgReadCtx ctx;
    ctx.pMacroTree = &tree;
    ImageMemorySource source(std::move(image));
    ReadDevCfg(p, ctx, source);
    // Macros added from the device go again, list and files, so the library
    // stays small: a library growing over the run makes each name search
    // longer and the target slower with every input.
    if (g_MacroList.Count() > 0) {
        g_MacroList.RemoveAll();
        std::error_code ec;
        std::filesystem::remove_all(setup.library, ec);
    }
    return 0;
}
