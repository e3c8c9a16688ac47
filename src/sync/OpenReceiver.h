#pragma once
// Opening the receiver the way the program does: the device link finds it,
// then (with AutoSw) the mouse's sensor becomes the active one.

#include "device/USBDriver.h"

// CUSBDriver::OpenDevice, then, when cfg.ini's AutoSw is set, the sensor that
// the receiver's release number names is made active (an unknown one keeps
// the active sensor). False when the receiver was not opened.
bool OpenReceiver(CUSBDriver& driver);
