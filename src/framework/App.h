#pragma once
// The application object: the process's way into the GUI. Run() calls
// InitInstance, then ExitInstance on every path, and returns its exit code.

#include <windows.h>

namespace fw {

class Dialog;

class App {
public:
    App();
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // False ends the program without a message loop (the main window runs
    // modally inside it).
    virtual bool InitInstance() = 0;
    virtual int ExitInstance() { return m_exitCode; }

    int Run(HINSTANCE instance);

    static HINSTANCE Instance();
    static App* Current();
    Dialog* MainWnd() const { return m_mainWnd; }
    void SetMainWnd(Dialog* dialog) { m_mainWnd = dialog; }

protected:
    int m_exitCode = 0;

private:
    Dialog* m_mainWnd = nullptr;
};

} // namespace fw
