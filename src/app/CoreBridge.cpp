#include "app/CoreBridge.h"

#include "app/AppGlobals.h"
#include "pages/MsgDlg.h"
#include "platform/MessageBox.h"
#include "store/SaveFailures.h"

#include <utility>

void WindowPoster::Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (m_hwnd)
        ::PostMessageW(m_hwnd, msg, WPARAM(wParam), LPARAM(lParam));
}

std::shared_ptr<EventPoster> TopWindowFinder::FindWindowByTitle(const std::u16string& title) {
    HWND hwnd = ::FindWindowW(nullptr, W(title).c_str());
    if (!hwnd)
        return nullptr;
    return std::make_shared<WindowPoster>(hwnd);
}

namespace {

using CoreMessage = std::pair<std::u16string, std::u16string>;

void ShowCoreMessage(HWND owner, const std::u16string& text, const std::u16string& caption) {
    CMsgDlg dlg;
    dlg.m_nKind = CMsgDlg::kMessage;
    dlg.m_strMsg = W(text);
    if (!caption.empty())
        dlg.m_strTitle = W(caption);
    // An owner that is hidden (in the tray) would keep the dialog out of sight.
    dlg.DoModal(owner && ::IsWindowVisible(owner) ? owner : nullptr);
}

} // namespace

void InstallMessageBoxSink(HWND mainWnd) {
    if (!mainWnd) {
        store::SetSaveFailureNotices(false);
        platform::SetMessageBoxSink(nullptr);
        return;
    }
    // From now on a failed save is told in the message dialog.
    store::SetSaveFailureNotices(true);
    const DWORD windowThread = ::GetWindowThreadProcessId(mainWnd, nullptr);
    platform::SetMessageBoxSink(
        [mainWnd, windowThread](const std::u16string& text, const std::u16string& caption) {
            if (::GetCurrentThreadId() == windowThread) {
                ShowCoreMessage(mainWnd, text, caption);
                return;
            }
            // A worker never waits for the user: the window shows it when it can.
            auto* message = new CoreMessage(text, caption);
            if (!::IsWindow(mainWnd) ||
                !::PostMessageW(mainWnd, WM_CORE_MESSAGE, 0, reinterpret_cast<LPARAM>(message)))
                delete message;
        });
}

void ShowPostedCoreMessage(HWND owner, LPARAM lParam) {
    std::unique_ptr<CoreMessage> message(reinterpret_cast<CoreMessage*>(lParam));
    if (message)
        ShowCoreMessage(owner, message->first, message->second);
}
