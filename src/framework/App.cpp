#include "framework/App.h"

namespace fw {
namespace {
App* g_app = nullptr;
HINSTANCE g_instance = nullptr;
} // namespace

App::App() {
    g_app = this;
}
App::~App() {
    if (g_app == this)
        g_app = nullptr;
}

HINSTANCE App::Instance() {
    return g_instance ? g_instance : ::GetModuleHandleW(nullptr);
}
App* App::Current() {
    return g_app;
}

int App::Run(HINSTANCE instance) {
    g_instance = instance;
    if (InitInstance()) {
        // A program that keeps running after InitInstance gets a plain loop.
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return ExitInstance();
}

} // namespace fw
