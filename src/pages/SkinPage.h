#pragma once
// The base of the main window's pages, and what a page may touch.
//
// A page is a child dialog (template IDD_PAGE) placed at rcSubDlg. It draws the
// area under it of its own full-window skin image (key_nr.png, macro_nr.png,
// adv_nr.png, led_nr.png), then what it shows on top, into one off-screen
// bitmap.
//
// The main window holds its pages in one table and drives every page through
// the contract below, in table order; a page overrides what concerns it and
// leaves the rest to the defaults, which do nothing. A page may touch:
// - the current profile only as a copy: CopyCurrentProfile to read it,
//   StoreEdit to store what the user changed (copy out, edit, copy in, under
//   the profile list's lock, then PageHost::ProfileEdited). It never keeps a
//   pointer into the profile list;
// - the device only by posting a request to the apply worker (PostApply); it
//   never calls the device link;
// - the main window only through PageHost (PreApplyCheck before a request,
//   ProfileEdited after storing a change, RefreshPages after changing what
//   other pages show, DeviceConnected and ReadPowerLevel for the battery,
//   ShowPage to send the user to another page, MacrosChanged after editing
//   the macro library) and by answering the contract. It includes nothing of
//   the program's shell;
// - every profile of the list, besides the current one, only when a macro it
//   names left the library (the keys page's DropMissingMacros), under the
//   profile list's lock, saving the store afterwards.
// Pressing a page's background drags the main window (after closing open
// menus), unless the page takes the press itself (OnPagePressed).

#include "controls/SkinWindow.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"
#include "framework/SkinDialog.h"
#include "model/ProfileRecord.h"

#include <functional>
#include <string>

// What happened to the macro library.
enum class MacroChange {
    Renamed, // renamed or edited: key texts and the mouse's macros follow
    Removed, // removed: keys that named them need another function
};

// What a page may ask of the main window.
class PageHost {
public:
    // The checks before anything is written to the device (configuration
    // read finished, device present and ready); false after the user has been
    // told why not.
    virtual bool PreApplyCheck() = 0;
    // Every page shows the current profile again.
    virtual void RefreshPages() = 0;
    // A page stored a change the user made into the current profile (StoreEdit
    // tells it). Without ApplyNow the change waits for Apply: the main window
    // marks it pending and asks before the program ends. A host that keeps no
    // such state needs nothing here.
    virtual void ProfileEdited() {}
    // Whether the receiver is open; the battery is read only then.
    virtual bool DeviceConnected() { return false; }
    // The mouse's battery level as it answers (0..10, anything else is
    // reported as it came); false when it did not answer.
    virtual bool ReadPowerLevel(int& /*level*/) { return false; }
    // Shows page n: 1 keys, 2 macros, 3 DPI, 4 lighting (as the navigation
    // does, so a page that may not be left keeps the user).
    virtual void ShowPage(int /*n*/) {}
    // The macro page changed the library: every page hears of it
    // (CSkinPage::OnMacrosChanged). True when a page changed a profile.
    virtual bool MacrosChanged(MacroChange) { return false; }

protected:
    ~PageHost() = default;
};

// A device event as the pages take it, after the main window has brought the
// current profile up to date with it. `kind` is the event's DEV_EVT_* code.
struct PageEvent {
    int kind = 0;
    // DEV_EVT_DPI_LEVEL: the level (0-based) the mouse now uses;
    // DEV_EVT_REPORT_RATE: the device's rate code (1, 2, 4, 8);
    // DEV_EVT_DPI_LIGHT, DEV_EVT_LOGO_LIGHT, DEV_EVT_MAIN_LIGHT: the light's
    // mode as the current profile now holds it (0 off).
    int value = 0;
};

class CSkinPage : public fw::SkinDialog {
public:
    explicit CSkinPage(const wchar_t* skinName);

    // Creates the page as a hidden child of `parent` and moves it to rcSubDlg;
    // `host` is the main window as the page may see it.
    bool CreatePage(HWND parent, PageHost* host);

    // ---- the contract
    // The active sensor changed: lay the page out for it (key count, modes,
    // DPI levels). The main window then shows the current profile.
    virtual void ApplySensorLayout() {}
    // Show `profile` (a copy of the current profile).
    virtual void ShowProfile(const ProfileRecord&) {}
    // Put what the page edits into `profile` (a copy of the current profile
    // that is copied back in afterwards).
    virtual void StoreToProfile(ProfileRecord&) {}
    // A device event routed to every page.
    virtual void OnDeviceEvent(const PageEvent&) {}
    // Whether the user may leave the page now (switch pages, minimise, apply):
    // null when it may, else the text key of the message that says why not.
    virtual const char16_t* LeaveRefusal() const { return nullptr; }
    // A key message of the main window; true when the page took it (nothing
    // else then sees it).
    virtual bool TakeKey(const MSG&) { return false; }
    // The page is about to be left (another page shown, the program ended by
    // the user) and may hold edits that nothing has kept yet: it asks the
    // user whether to drop them. True when it may be left (the edits are
    // gone), false keeps the user where they are.
    virtual bool ConfirmLeave() { return true; }
    // The macro library changed; true when the page changed a profile for it.
    virtual bool OnMacrosChanged(MacroChange) { return false; }

    // Shows a copy of the current profile (ShowProfile); nothing without one.
    void ShowCurrentProfile();

    // Copies the current profile into `out` under the profile list's lock;
    // false when there is none.
    static bool CopyCurrentProfile(ProfileRecord& out);
    // Copies the current profile out, lets `edit` change the copy and copies
    // it back in, all under the profile list's lock, so no worker sees half an
    // edit. False (and `edit` not called) when there is no current profile.
    static bool EditCurrentProfile(const std::function<void(ProfileRecord&)>& edit);
    // What a page stores a change of the user's with: EditCurrentProfile, then,
    // when there was a current profile, PageHost::ProfileEdited.
    bool StoreEdit(const std::function<void(ProfileRecord&)>& edit);

    BOOL OnInitDialog() override;
    // A press on the background drags the main window unless OnPagePressed
    // takes it.
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Pages never end on Enter or Escape.
    void OnOK() override {}
    void OnCancel() override {}

    bool HasBackground() const { return m_bHasBkg; }
    void Redraw();

protected:
    void Paint(HDC dc, const RECT& rc) override;
    // Draws the page's content over its background (page coordinates).
    virtual void DrawContent(HDC) {}
    // The left button went down on the page's background at `pt` (page
    // coordinates); true when the page used the press, false lets it drag
    // the main window.
    virtual bool OnPagePressed(POINT /*pt*/) { return false; }
    // A point of the full window image in page coordinates.
    static POINT FromWindow(int x, int y);
    HFONT TextFont() const;
    PageHost* Host() const { return m_pHost; }
    // The page's background in page coordinates (null without one). A page
    // that has not been shown yet cuts it from its skin file when something
    // asks (its controls take their pieces, a layout composes over it) and
    // lets it go again a few seconds after the last use: the user may never
    // open the page, and a page shown for the first time cuts it again in a
    // few milliseconds. Once shown, the page keeps it. Callers use the
    // pointer at once and never keep it.
    Gdiplus::Bitmap* Background() const;
    // The page let go of its background (and what it composed over it).
    virtual void OnBackgroundReleased() {}

    fw::Font m_fontTitle;
    fw::Font m_fontText;

private:
    std::wstring m_strSkin;
    mutable fw::Image m_imgBkg; // the rcSubDlg area of the page's skin, while held
    bool m_bHasBkg = false;     // the skin file gave one
    bool m_bShown = false;      // the page has been shown: it keeps its background
    PageHost* m_pHost = nullptr;
};
