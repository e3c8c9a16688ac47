#pragma once
// The dialog base every window of the program derives from. One dialog
// procedure binds the C++ object to its HWND at WM_INITDIALOG and dispatches
// each message to a member; nothing is hidden in macros. A dialog runs
// modeless (Create) or modal (DoModal: our own loop, so that PreTranslateMessage
// sees every message first, the way the pages and the main window expect).

#include <windows.h>

namespace fw {

class Dialog {
public:
    explicit Dialog(UINT templateId) : m_templateId(templateId) {}
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Modeless: creates the window from the template as a child or owned
    // window of `parent`. False when the window could not be created.
    bool Create(HWND parent);
    // Modal: runs until EndDialog; returns its result (-1 when the window
    // could not be created). The owner is disabled meanwhile.
    INT_PTR DoModal(HWND owner);
    void EndDialog(INT_PTR result);
    bool IsModal() const { return m_modal; }
    // For OnInitDialog when the dialog cannot be built (a skin image is
    // missing): ends it before it is ever shown. A modal dialog returns
    // `result` from DoModal; a modeless one stays hidden and is destroyed.
    void CloseUnshown(INT_PTR result);

    HWND Hwnd() const { return m_hwnd; }
    // The Dialog bound to `hwnd`, or nullptr.
    static Dialog* FromHandle(HWND hwnd);

    // Called once the window exists; TRUE lets the system set the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Sees every message of the modal loop before it is dispatched (from the
    // innermost of our dialogs that contains the target outward); true
    // consumes it.
    virtual bool PreTranslateMessage(MSG& msg);
    // WM_COMMAND; true when handled.
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
    // Destroys the window; derived classes release what they hold first.
    virtual bool DestroyWindow();
    // Any other message; true with `result` set when handled. The result is
    // what the dialog procedure reports through DWLP_MSGRESULT.
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // IDOK/IDCANCEL and WM_CLOSE end a modal dialog and destroy a modeless one.
    virtual void OnOK();
    virtual void OnCancel();

protected:
    HWND m_hwnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    bool m_modal = false;
    bool m_endModal = false;
    INT_PTR m_result = 0;
};

// Runs the modal loop's routing for one message: PreTranslateMessage from the
// innermost dialog outward, then the dialog keyboard handling of `topLevel`.
// True when the message was consumed.
bool RouteMessage(MSG& msg, HWND topLevel);

} // namespace fw
