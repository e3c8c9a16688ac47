// Tarvel.exe's entry point.

#include "app/TarvelApp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    CTarvelApp app;
    return app.Run(instance);
}
