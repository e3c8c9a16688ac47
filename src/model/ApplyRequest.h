#pragma once
// An apply request: which groups of settings to write (nFlag) and which item
// of a group (nData, or 0xFF for all). Requesters post them with PostApply;
// the apply worker handles them one after another in posting order.

#include <cstdint>

enum ApplyFlag : uint32_t {
    APPLY_KEYS = 0x0001,
    APPLY_LED = 0x0002,
    APPLY_DPI = 0x0004,
    APPLY_SYS = 0x0008,
    APPLY_RATE = 0x0020,
    APPLY_DPI_COLOR = 0x0040,
    APPLY_DPI_COUNT = 0x0080,
    APPLY_RESTORE = 0x0100,
    APPLY_LOD = 0x0200,
    APPLY_PROGRESS = 0x8000,
};

// nData of APPLY_LED: which lights.
enum LedMask : uint32_t { LED_LOGO = 1, LED_MAIN = 2, LED_DPI = 4 };

// Posted to the progress window with the percentage in wParam.
constexpr uint32_t WM_PROGRESS_SETPOS = 1067;

constexpr uint32_t kApplyAll = 0xFF;
constexpr uint32_t kApplyFull = 0x00EF; // keys, lights, DPI, system, rate, colours, count

// Queues a request for the apply worker; without a running worker it is
// logged and dropped. Files, pages and the main window post here; the worker
// (a layer above) installs the queue it takes requests from.
void PostApply(uint32_t nFlag, uint32_t nData);

using ApplyQueue = void (*)(uint32_t nFlag, uint32_t nData);
void SetApplyQueue(ApplyQueue queue);
