// floor_plain: the least a window costs under this system: one borderless
// 1002 x 660 window painted in a plain colour. The start-up benchmark's lower
// floor.
//
//   floor_plain

#include "floor_window.h"

namespace {

void PaintPlain(HDC dc, const RECT& client) {
    HBRUSH brush = ::CreateSolidBrush(RGB(0x30, 0x38, 0x48));
    ::FillRect(dc, &client, brush);
    ::DeleteObject(brush);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return floor_window::Run(instance, L"TarvelFloorPlain", PaintPlain);
}
