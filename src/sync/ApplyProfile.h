#pragma once
// The writer of an apply: the groups of settings a request chooses, encoded
// with the memory map and written into the device in a fixed order, with
// progress reported to the progress window.

#include "device/DeviceEvents.h"
#include "device/USBDriver.h"
#include "model/ApplyRequest.h"
#include "model/ProfileRecord.h"
#include "platform/SystemMouse.h"

#include <cstdint>

// Writes the parts of `profile` that `nFlag` and `nData` choose. `progressWnd`
// (may be null) gets WM_PROGRESS_SETPOS messages numbered `nMsg`; `mouse` is
// the system's pointer settings (null: the operating system's own). 1 when
// every step succeeded or its failure was passed over (GoWithNoDev), else 0.
// The profile is written as SanitizeProfileForDevice leaves a copy of it; a
// request whose groups would still carry a value the mouse cannot take is
// refused (0) before its first write.
int ApplyProfile(EventPoster* progressWnd, CUSBDriver* driver, const ProfileRecord* profile,
                 uint32_t nMsg, uint32_t nFlag, uint32_t nData,
                 platform::SystemMouse* mouse = nullptr);
