#pragma once
// The five pointer settings of a profile that an apply writes to the
// operating system rather than to the mouse.

#include "model/ProfileRecord.h"
#include "platform/SystemMouse.h"

// Thresholds and acceleration for bEnhancePrecision on and off.
constexpr platform::MouseAcceleration kEnhancedPrecision{6, 10, 1};
constexpr platform::MouseAcceleration kNoPrecision{0, 0, 0};

// Brings the system's settings in line with `profile`: each one that differs
// is set, stored and announced; equal ones are left alone. Returns the number
// of settings changed.
int ApplySystemSettings(const ProfileRecord& profile, platform::SystemMouse& mouse);
