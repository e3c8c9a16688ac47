#include "device/DeviceMatch.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceMatchTest, OnlyOurReceiverUnderAnyOfItsIds) {
    const uint16_t pid2[2] = {0xFA99, 0};
    struct Case {
        const char16_t* name;
        bool ours;
    } cases[] = {
        {u"\\\\?\\USB#VID_25A7&PID_FA92#5&1a2b3c&0&3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", true},
        {u"\\\\?\\usb#vid_25a7&pid_fa92#x", true},        // without case
        {u"\\\\?\\USB#VID_25A7&PID_FA99#x", true},        // a further id
        {u"\\\\?\\USB#VID_046D&PID_C077#x", false},       // another maker's mouse
        {u"\\\\?\\HID#VID_25A7&PID_FA92&MI_01#x", false}, // not the USB device interface
        {u"", false},                                     // volumes and ports carry no name
    };
    for (const Case& c : cases)
        EXPECT_EQ(device::IsReceiverInterface(c.name, 0x25A7, 0xFA92, pid2), c.ours)
            << text::ToUtf8(c.name);
}

TEST(DeviceMatchTest, OurReceiversHidInterfaces) {
    const uint16_t pid2[2] = {0xFA99, 0};
    struct Case {
        const char16_t* name;
        bool ours;
    } cases[] = {
        {u"\\\\?\\HID#VID_25A7&PID_FA92&MI_01&Col02#8&2d3f1a&0&0001#"
         u"{4d1e55b2-f16f-11cf-88cb-001111000030}",
         true},
        {u"\\\\?\\hid#vid_25a7&pid_fa99&mi_00#7&1&0&0000#{x}", true}, // a further id
        {u"\\\\?\\HID#VID_25A7&PID_FA92#6&1&0&0000#{x}", true},       // a single-interface device
        {u"\\\\?\\HID#VID_25A7&PID_FA921#x", false},                  // a longer product id
        {u"\\\\?\\HID#VID_046D&PID_C077&MI_00#x", false},             // another maker's
        {u"\\\\?\\USB#VID_25A7&PID_FA92#5&1a2b3c&0&3#{x}", false},    // the USB device itself
        {u"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(device::IsReceiverHidInterface(c.name, 0x25A7, 0xFA92, pid2), c.ours)
            << text::ToUtf8(c.name);
}

TEST(DeviceMatchTest, ZeroIdsAreSkipped) {
    const uint16_t pid2[2] = {0, 0xFA9A};
    EXPECT_EQ(device::ReceiverMatchTexts(0x25A7, 0, pid2),
              std::vector<std::u16string>{u"USB#VID_25a7&PID_fa9a"});
}

} // namespace
