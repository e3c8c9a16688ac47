#pragma once
// CMacroDlg: the macro page. On the left the macro library as a tree of
// folders and macros, beside it the steps of the shown macro; to the right
// the record button, the box that records delays, the repeat settings and
// the save button. The context menus (and, with MacOperBtn, the operation
// buttons) create, rename, delete, import and export macros and insert, edit
// and delete steps. Edits of the shown macro stay on the page until Save;
// leaving them asks first.
//
// Files: MacroDlg.cpp (controls, showing and saving a macro), MacroDlgSteps.cpp
// (recording and step commands), MacroDlgLibrary.cpp (the tree and the
// library commands); the rules are in MacroRules.h, the places in
// MacroPlaces.h.

#include "controls/PngBtn.h"
#include "controls/TreeCtrlEx.h"
#include "pages/MacroRules.h"
#include "pages/SkinPage.h"

#include <cstdint>
#include <optional>
#include <string>

// The main window hands a key to a recording page: wParam the virtual key,
// lParam 0 pressed, 128 released.
constexpr UINT WM_MACRO_KEY = 1034;

class CMacroDlg : public CSkinPage {
public:
    // Control ids, so the page can be driven from outside.
    static constexpr UINT kIdTree = 261, kIdSteps = 262, kIdCount = 263, kIdRecord = 264,
                          kIdSave = 265, kIdDelays = 266;
    static constexpr UINT kIdRepeat[3] = {267, 268, 269}; // count, while held, until pressed
    // The operation buttons: new, delete, insert, edit step, delete step.
    static constexpr UINT kIdOp[5] = {270, 271, 272, 273, 274};

    CMacroDlg();
    ~CMacroDlg() override;

    BOOL OnInitDialog() override;
    // The library changed without the page (a device read, a profile
    // import): the tree is read again.
    void ShowProfile(const ProfileRecord& profile) override;
    // While it records, the page may not be left (tc_macro_msg17) and takes
    // every key of the main window.
    const char16_t* LeaveRefusal() const override;
    bool TakeKey(const MSG& msg) override;
    // Unsaved edits of the shown macro: tc_msg23 first.
    bool ConfirmLeave() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool DestroyWindow() override;

    bool IsRecording() const { return m_bRecording; }
    // Change bits of the shown macro that Save would store (0x80000000
    // steps, 0x40000000 settings).
    uint32_t Changes() const { return m_dwChanges; }
    // The shown macro's id, 0 when none is shown.
    uint32_t ShownMacro() const { return m_dwShownId; }
    const mac::Steps& StepItems() const { return m_items; }
    CTreeCtrlEx& Tree() { return m_tree; }
    CTreeCtrlEx& StepList() { return m_steps; }
    // The tree item of macro `id`, or nullptr.
    MacroTree::Item FindMacroItem(uint32_t id) const;

protected:
    void DrawContent(HDC dc) override;

private:
    // ---- controls and showing (MacroDlg.cpp)
    void MakeControls();
    bool MakeButton(CPngBtn& btn, const wchar_t* normal, const wchar_t* hover,
                    const wchar_t* pressed, const RECT& place, const std::wstring& caption,
                    bool toggle);
    void MakeToggle(CPngBtn& btn, UINT id, const wchar_t* normal, const wchar_t* checked,
                    const RECT& place, const std::wstring& label);
    HWND Owner() const;
    bool Ask(const char16_t* key) const;
    void Say(const char16_t* key) const;
    // Shows macro `item` (a macro item) or nothing.
    void ShowMacro(MacroTree::Item item);
    void ShowNothing();
    void ShowSettings(const StMacro& macro);
    void ShowCountField();
    void SelectRepeat(int radio);
    std::optional<int> SelectedRepeat() const;
    void MarkChanged(uint32_t bits);
    void SetSaveVisible(bool visible);
    void Save();
    // Whether the shown macro can be left: asks tc_msg23 when it has edits;
    // OK drops them. False keeps it (and the tree's selection on it).
    bool LeaveShownMacro();
    void OnCountChanged();

    // ---- recording and steps (MacroDlgSteps.cpp)
    void OnRecordButton();
    void StartRecording();
    void StopRecording();
    void OnRecordKey(uint32_t vk, bool up, uint32_t tick);
    void RefillSteps(std::optional<size_t> select);
    std::optional<size_t> SelectedStep() const;
    void Insert(uint32_t what);
    void EditStep();
    void DeleteStep();
    // The key of the single-key capture; 0 when none was captured.
    uint32_t CaptureKey() const;
    // The delay of the number dialog (at least MinDelay); none on Cancel.
    std::optional<uint32_t> AskDelay(uint32_t shown) const;
    void OnStepsClick(UINT msg, MacroTree::Item item);
    int StepLimit() const;

    // ---- the library (MacroDlgLibrary.cpp)
    void ReloadTree();
    void OnTreeClick(UINT msg, MacroTree::Item item);
    void OpenMenu(mac::MenuPlace place, POINT screen);
    void OnMenuChoice(uint32_t code);
    void RunCommand(uint32_t code);
    void NewMacro();
    void RenameItem();
    void DeleteItem();
    void ExportItem();
    void ImportFile();
    // Refused with tc_macro_msg17 while recording.
    bool RefusedWhileRecording() const;

    CTreeCtrlEx m_tree, m_steps;
    CPngBtn m_btnRecord{kIdRecord}, m_btnSave{kIdSave}, m_btnDelays{kIdDelays};
    CPngBtn m_btnRepeat[3];
    CPngBtn m_btnOp[5];
    HWND m_hCount = nullptr;
    fw::Brush m_brCount;
    int m_nIconPress = -1, m_nIconRelease = -1;

    // The shown macro and its edits.
    MacroTree::Item m_shownItem = nullptr;
    uint32_t m_dwShownId = 0;
    uint32_t m_dwChanges = 0;
    mac::Steps m_items;
    int32_t m_nStoredMode = 0; // kept when no radio shows it
    bool m_bQuiet = false;     // the page writes the count field itself

    bool m_bRecording = false;
    mac::Recorder m_recorder;
    uint32_t m_nRevision = 0; // MacroLibraryRevision when the tree was read
};
