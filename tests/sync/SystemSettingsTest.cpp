// The pointer settings of an apply: only what differs is set, each change
// is announced.

#include "sync/SystemSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

using Call = platform::MemorySystemMouse::Call;
using namespace platform;

TEST(SystemSettingsTest, SetsAndAnnouncesOnlyWhatDiffers) {
    // The profile that matches a fresh system.
    ProfileRecord same{};
    same.nDblClickTime = 500;
    same.nWheelLines = 3;
    same.bEnhancePrecision = 1;
    same.nPointerSpeed = 10;
    same.nMouseTrails = 0;
    struct Case {
        const char* name;
        std::function<void(ProfileRecord&, MemorySystemMouse&)> change;
        std::vector<Call> calls;
    } cases[] = {
        {"all equal", [](ProfileRecord&, MemorySystemMouse&) {}, {}},
        {"double-click time",
         [](ProfileRecord& p, MemorySystemMouse&) { p.nDblClickTime = 250; },
         {{kSpiSetDoubleClickTime, 250}, {kMsgSettingChange, kSpiSetDoubleClickTime}}},
        {"wheel lines",
         [](ProfileRecord& p, MemorySystemMouse&) { p.nWheelLines = 7; },
         {{kSpiSetWheelScrollLines, 7}, {kMsgSettingChange, kSpiSetWheelScrollLines}}},
        {"wheel query fails",
         [](ProfileRecord&, MemorySystemMouse& m) { m.SetWheelQueryFails(true); },
         {{kSpiSetWheelScrollLines, 3}, {kMsgSettingChange, kSpiSetWheelScrollLines}}},
        {"precision off",
         [](ProfileRecord& p, MemorySystemMouse&) { p.bEnhancePrecision = 0; },
         {{kSpiSetMouse, 0}, {kMsgSettingChange, kSpiSetMouse}}},
        {"one threshold differs",
         [](ProfileRecord&, MemorySystemMouse& m) {
             m.SetMouse({6, 11, 1});
         },
         {{kSpiSetMouse, 6}, {kMsgSettingChange, kSpiSetMouse}}},
        {"speed and trails",
         [](ProfileRecord& p, MemorySystemMouse&) { p.nPointerSpeed = 15, p.nMouseTrails = 4; },
         {{kSpiSetMouseSpeed, 15},
          {kMsgSettingChange, kSpiSetMouseSpeed},
          {kSpiSetMouseTrails, 4},
          {kMsgSettingChange, kSpiSetMouseTrails}}},
    };
    for (const Case& c : cases) {
        MemorySystemMouse mouse;
        ProfileRecord p = same;
        c.change(p, mouse);
        mouse.ClearCalls();
        EXPECT_EQ(ApplySystemSettings(p, mouse), int(c.calls.size() / 2)) << c.name;
        EXPECT_EQ(mouse.Calls(), c.calls) << c.name;
        // In line now: a second apply changes nothing.
        mouse.SetWheelQueryFails(false);
        mouse.ClearCalls();
        EXPECT_EQ(ApplySystemSettings(p, mouse), 0) << c.name;
    }
}

} // namespace
