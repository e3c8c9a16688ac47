#pragma once
// The virtual receiver's notification handle is the read end of a pipe. When
// the receiver is unplugged its write end closes, and a read fails with
// ERROR_BROKEN_PIPE, where a real receiver's HID interface fails it with
// ERROR_DEVICE_NOT_CONNECTED. So that the program meets what it meets on
// Windows, the program's own ReadFile import is routed through a function
// that gives the HID driver's reason for the handles registered here, and
// leaves every other read alone.

#include <windows.h>

namespace vantor {

// Registers `readEnd` as a virtual notification handle; the first call routes
// the executable's ReadFile import. False when the import cannot be routed
// (the handle then fails reads with ERROR_BROKEN_PIPE).
bool ReadAsHidInterface(HANDLE readEnd);

} // namespace vantor
