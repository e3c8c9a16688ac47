#include "controls/ButtonAccessible.h"

#include "settings/Log.h"

#include <oleacc.h>

#include <atomic>

namespace {

// The entries the answer needs, taken from their DLLs when the first client
// asks. oleacc brings ole32 and oleaut32 with it; none of the three is
// loaded at start-up, and most runs never see a client at all.
struct AccessApi {
    decltype(&::CreateStdAccessibleObject) createStdObject = nullptr;
    decltype(&::LresultFromObject) resultFromObject = nullptr;
    decltype(&::SysAllocString) allocString = nullptr;
    decltype(&::CoInitializeEx) initCom = nullptr;
    bool Ready() const { return createStdObject && resultFromObject && allocString && initCom; }
};

template <class Fn> void Take(Fn& fn, const wchar_t* dll, const char* name) {
    HMODULE module = ::LoadLibraryW(dll); // kept for the run
    if (module)
        fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    if (!fn)
        settings::WriteLog("Accessibility: %ls!%s not found, error %lu", dll, name,
                           ::GetLastError());
}

const AccessApi& Api() {
    static const AccessApi api = [] {
        AccessApi a;
        Take(a.createStdObject, L"oleacc.dll", "CreateStdAccessibleObject");
        Take(a.resultFromObject, L"oleacc.dll", "LresultFromObject");
        Take(a.allocString, L"oleaut32.dll", "SysAllocString");
        Take(a.initCom, L"ole32.dll", "CoInitializeEx");
        return a;
    }();
    return api;
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The states a push button decides itself; the rest (invisible, off screen)
// stay the standard object's.
constexpr LONG kButtonStates =
    STATE_SYSTEM_PRESSED | STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED;

// The window's standard object, answering as a push button. Holds one
// reference to the standard object for its life.
class PushButtonAccessible final : public IAccessible, public IOleWindow {
public:
    PushButtonAccessible(HWND hwnd, IAccessible* standard) : m_hwnd(hwnd), m_std(standard) {}
    PushButtonAccessible(const PushButtonAccessible&) = delete;
    PushButtonAccessible& operator=(const PushButtonAccessible&) = delete;

    // IUnknown (one identity for all three interfaces and IOleWindow)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out)
            return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
            riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
        } else if (riid == __uuidof(IOleWindow)) {
            // What WindowFromAccessibleObject asks first.
            *out = static_cast<IOleWindow*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
        if (!out)
            return E_POINTER;
        *out = m_hwnd;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IDispatch: the type information is IAccessible's, the standard
    // object's; calls through it reach this object's methods, not the
    // standard object's.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return m_std->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return m_std->GetTypeInfo(index, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override {
        return m_std->GetIDsOfNames(riid, names, count, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* badArg) override {
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        ITypeInfo* info = nullptr;
        const HRESULT hr = m_std->GetTypeInfo(0, lcid, &info);
        if (FAILED(hr) || !info)
            return FAILED(hr) ? hr : E_NOTIMPL;
        const HRESULT done = info->Invoke(static_cast<IAccessible*>(this), id, flags, params,
                                          result, exception, badArg);
        info->Release();
        return done;
    }

    // IAccessible: where a push button differs from a plain client area.
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!IsSelf(child))
            return m_std->get_accRole(child, role);
        if (!role)
            return E_POINTER;
        role->vt = VT_I4;
        role->lVal = ROLE_SYSTEM_PUSHBUTTON;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!IsSelf(child))
            return m_std->get_accState(child, state);
        if (!state)
            return E_POINTER;
        VARIANT standard;
        standard.vt = VT_EMPTY;
        LONG kept = 0;
        if (SUCCEEDED(m_std->get_accState(child, &standard)) && standard.vt == VT_I4)
            kept = standard.lVal & ~kButtonStates;
        const LRESULT pushState = ::SendMessageW(m_hwnd, BM_GETSTATE, 0, 0);
        LONG own = ::IsWindowEnabled(m_hwnd) ? STATE_SYSTEM_FOCUSABLE : STATE_SYSTEM_UNAVAILABLE;
        if (pushState & BST_FOCUS)
            own |= STATE_SYSTEM_FOCUSED;
        if (pushState & BST_PUSHED)
            own |= STATE_SYSTEM_PRESSED;
        state->vt = VT_I4;
        state->lVal = kept | own;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!IsSelf(child))
            return m_std->get_accDefaultAction(child, action);
        if (!action)
            return E_POINTER;
        *action = Api().allocString(L"Press");
        return *action ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!IsSelf(child))
            return m_std->accDoDefaultAction(child);
        // A disabled button cannot be pressed, by a client no more than by
        // the mouse.
        if (!::IsWindowEnabled(m_hwnd))
            return E_FAIL;
        // Posted, not sent: the client's call returns at once instead of
        // waiting for whatever the click opens (a question, a file dialog)
        // to close.
        if (!::PostMessageW(m_hwnd, BM_CLICK, 0, 0))
            return HRESULT_FROM_WIN32(::GetLastError());
        return S_OK;
    }

    // IAccessible: the rest is the standard object's.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return m_std->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return m_std->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return m_std->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return m_std->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return m_std->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return m_std->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return m_std->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return m_std->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return m_std->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return m_std->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return m_std->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return m_std->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return m_std->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return m_std->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return m_std->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return m_std->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return m_std->put_accValue(child, value);
    }

private:
    ~PushButtonAccessible() { m_std->Release(); }

    HWND m_hwnd;
    IAccessible* m_std;
    std::atomic<ULONG> m_refs{1};
};

// Handing the object over marshals it, which needs COM on the window's
// thread; the program does not start COM itself. Started once per thread, as
// a single-threaded apartment, and kept while the thread runs: a client in
// another process calls into this thread through its messages.
void StartComOnThisThread(const AccessApi& api) {
    static thread_local bool started = false;
    if (started)
        return;
    started = true;
    const HRESULT hr = api.initCom(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr) && hr != RPC_E_CHANGED_MODE)
        settings::WriteLog("Accessibility: COM not started, 0x%08lx",
                           static_cast<unsigned long>(hr));
}

} // namespace

LRESULT AnswerPushButtonObject(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    // The object id travels as a 32-bit value, sign-extended or not.
    if (static_cast<LONG>(lParam) != OBJID_CLIENT)
        return 0;
    const AccessApi& api = Api();
    if (!api.Ready())
        return 0;
    StartComOnThisThread(api);
    IAccessible* standard = nullptr;
    HRESULT hr = api.createStdObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                     reinterpret_cast<void**>(&standard));
    if (FAILED(hr) || !standard) {
        settings::WriteLog("Accessibility: no standard object for a button, 0x%08lx",
                           static_cast<unsigned long>(hr));
        return 0;
    }
    auto* object = new PushButtonAccessible(hwnd, standard);
    const LRESULT result =
        api.resultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
    object->Release(); // the answer holds its own reference
    // A failed answer leaves the window's plain standard object to the
    // client rather than nothing.
    if (FAILED(static_cast<HRESULT>(result))) {
        settings::WriteLog("Accessibility: button object not handed over, 0x%08lx",
                           static_cast<unsigned long>(result));
        return 0;
    }
    return result;
}
