// floor_gdiplus: what any skinned window of this size costs: GDI+ started,
// the main window's skin image decoded, and painted into a borderless
// 1002 x 660 window. The floor the program's start-up is measured against.
//
//   floor_gdiplus <image.png>

#include "floor_window.h"

#include <objidl.h>
#include <shellapi.h>

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

#include <memory>

namespace {

std::unique_ptr<Gdiplus::Bitmap> g_image;

void PaintImage(HDC dc, const RECT& client) {
    Gdiplus::Graphics g(dc);
    g.DrawImage(g_image.get(), 0, 0, client.right, client.bottom);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argc < 2)
        return 2;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
        return 1;
    g_image.reset(Gdiplus::Bitmap::FromFile(argv[1]));
    ::LocalFree(argv);
    if (!g_image || g_image->GetLastStatus() != Gdiplus::Ok)
        return 1;
    const int result = floor_window::Run(instance, L"TarvelFloorGdiplus", PaintImage);
    g_image.reset();
    Gdiplus::GdiplusShutdown(token);
    return result;
}
