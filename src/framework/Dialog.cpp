#include "framework/Dialog.h"

#include "framework/App.h"

namespace fw {
namespace {
const wchar_t kDialogProp[] = L"TarvelDialog";
}

Dialog::~Dialog() {
    if (m_hwnd && ::IsWindow(m_hwnd))
        ::DestroyWindow(m_hwnd);
}

Dialog* Dialog::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<Dialog*>(::GetPropW(hwnd, kDialogProp)) : nullptr;
}

bool Dialog::Create(HWND parent) {
    HWND hwnd = ::CreateDialogParamW(App::Instance(), MAKEINTRESOURCEW(m_templateId), parent,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

INT_PTR Dialog::DoModal(HWND owner) {
    m_modal = true;
    m_endModal = false;
    m_result = -1;
    const bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
    if (!Create(owner)) {
        m_modal = false;
        return -1;
    }
    if (ownerWasEnabled)
        ::EnableWindow(owner, FALSE);
    if (!m_endModal && !(::GetWindowLongW(m_hwnd, GWL_STYLE) & WS_VISIBLE))
        ::ShowWindow(m_hwnd, SW_SHOWNORMAL);

    MSG msg;
    while (!m_endModal) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // WM_QUIT: hand it on to the outer loop and end this dialog.
            ::PostQuitMessage(int(msg.wParam));
            break;
        }
        if (got < 0)
            break;
        if (!RouteMessage(msg, m_hwnd)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (ownerWasEnabled) {
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
    DestroyWindow();
    m_modal = false;
    return m_result;
}

void Dialog::EndDialog(INT_PTR result) {
    m_result = result;
    m_endModal = true;
    // Wake the loop if it is waiting.
    if (m_hwnd)
        ::PostMessageW(m_hwnd, WM_NULL, 0, 0);
}

void Dialog::CloseUnshown(INT_PTR result) {
    if (!m_hwnd)
        return;
    // A template with WS_VISIBLE would be shown as soon as WM_INITDIALOG
    // returns: take the style away first, so nothing flashes on screen.
    ::SetWindowLongW(m_hwnd, GWL_STYLE, ::GetWindowLongW(m_hwnd, GWL_STYLE) & ~WS_VISIBLE);
    if (m_modal)
        EndDialog(result);
    else
        ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
}

bool Dialog::PreTranslateMessage(MSG&) {
    return false;
}

bool Dialog::OnCommand(WPARAM wParam, LPARAM) {
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

void Dialog::OnOK() {
    if (m_modal)
        EndDialog(IDOK);
    else
        DestroyWindow();
}

void Dialog::OnCancel() {
    if (m_modal)
        EndDialog(IDCANCEL);
    else
        DestroyWindow();
}

bool Dialog::DestroyWindow() {
    if (!m_hwnd)
        return false;
    HWND hwnd = m_hwnd;
    return ::DestroyWindow(hwnd) != FALSE;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Dialog* self = FromHandle(hwnd);
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->m_hwnd = hwnd;
        ::SetPropW(hwnd, kDialogProp, self);
    }
    if (!self)
        return FALSE;
    INT_PTR handled = self->Dispatch(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        ::RemovePropW(hwnd, kDialogProp);
        self->m_hwnd = nullptr;
    }
    return handled;
}

INT_PTR Dialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (OnCommand(wParam, lParam)) {
            ::SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE: {
        LRESULT result = 0;
        if (OnMessage(msg, wParam, lParam, result))
            return TRUE;
        OnCancel();
        return TRUE;
    }
    default: {
        LRESULT result = 0;
        if (!OnMessage(msg, wParam, lParam, result))
            return FALSE;
        // These messages return their value directly from a dialog procedure.
        switch (msg) {
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_INITDIALOG:
            return INT_PTR(result);
        default:
            ::SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
    }
}

bool RouteMessage(MSG& msg, HWND topLevel) {
    // PreTranslateMessage from the innermost of our dialogs outward.
    for (HWND h = msg.hwnd; h; h = ::GetParent(h)) {
        if (Dialog* d = Dialog::FromHandle(h))
            if (d->PreTranslateMessage(msg))
                return true;
        if (h == topLevel)
            break;
    }
    return topLevel && ::IsDialogMessageW(topLevel, &msg);
}

} // namespace fw
