#include "pages/MacroLibraryTree.h"

#include "settings/Settings.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"

#include <utility>
#include <vector>

namespace {

MacroTree::Item FindIn(const CTreeCtrlEx& tree, MacroTree::Item parent, uint32_t id) {
    for (MacroTree::Item i = tree.FirstChild(parent); i; i = tree.NextSibling(i)) {
        if (!tree.IsFolder(i) && tree.ItemMacroId(i) == id)
            return i;
        if (MacroTree::Item inner = FindIn(tree, i, id))
            return inner;
    }
    return nullptr;
}

} // namespace

MacroTree::Item FindMacroItem(const CTreeCtrlEx& tree, uint32_t id) {
    return id == 0 ? nullptr : FindIn(tree, nullptr, id);
}

void ReadMacroLibraryTree(CTreeCtrlEx& tree) {
    tree.DeleteAll();
    LoadListedMacroTree(tree, settings::g_opt.MacroDir);
    std::vector<std::pair<uint32_t, std::u16string>> listed;
    {
        auto lock = g_MacroList.Lock();
        g_MacroList.ForEach([&](const StMacro& m) { listed.emplace_back(m.dwID, MacroName(m)); });
    }
    for (const auto& [id, name] : listed)
        if (!FindMacroItem(tree, id))
            tree.InsertItem(nullptr, name, false, id, u"");
}
