#pragma once
// The progress dialog of an apply, run modally until the apply worker closes
// it. Kept apart from the worker's headers: both name the progress message.

#include <windows.h>

void RunApplyProgress(HWND owner);
