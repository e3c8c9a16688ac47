#include "controls/ComboList.h"

#include <algorithm>

namespace {
const std::vector<ComboItem> kNoItems;
bool ValidList(int list) {
    return list >= 0 && list < kComboListCount;
}
} // namespace

bool CComboList::AddItem(int list, uint32_t code, const std::wstring& text) {
    if (!ValidList(list))
        return false;
    m_lists[size_t(list)].push_back(ComboItem{code, text});
    return true;
}

void CComboList::RemoveAll(int list) {
    if (!ValidList(list))
        return;
    m_lists[size_t(list)].clear();
    if (list == m_nCurList)
        m_nSelected = -1;
}

const std::vector<ComboItem>& CComboList::Items(int list) const {
    return ValidList(list) ? m_lists[size_t(list)] : kNoItems;
}

bool CComboList::SetCurList(int list) {
    if (!ValidList(list))
        return false;
    m_nCurList = list;
    m_nSelected = -1;
    return true;
}

bool CComboList::Select(int index) {
    if (index < 0) {
        m_nSelected = -1;
        return true;
    }
    if (size_t(index) >= Items(m_nCurList).size())
        return false;
    m_nSelected = index;
    return true;
}

bool CComboList::SelectCode(uint32_t code) {
    const auto& items = Items(m_nCurList);
    const size_t n = std::min(items.size(), size_t(kComboMaxItems));
    for (size_t i = 0; i < n; ++i) {
        if (items[i].nCode == code) {
            m_nSelected = int(i);
            return true;
        }
    }
    return false;
}

uint32_t CComboList::SelectedCode() const {
    const auto& items = Items(m_nCurList);
    return m_nSelected >= 0 && size_t(m_nSelected) < items.size() ? items[size_t(m_nSelected)].nCode
                                                                  : kComboNoCode;
}

std::wstring CComboList::SelectedText() const {
    const auto& items = Items(m_nCurList);
    return m_nSelected >= 0 && size_t(m_nSelected) < items.size()
               ? items[size_t(m_nSelected)].strText
               : std::wstring();
}

std::vector<ComboItem> CComboList::MenuItems() const {
    const auto& items = Items(m_nCurList);
    return std::vector<ComboItem>(items.begin(),
                                  items.begin() + std::min(items.size(), size_t(kComboMaxItems)));
}

ComboChoice ApplyComboChoice(CComboList& list, uint32_t code, int tag, bool allowed) {
    // The list may have been switched while the menu was open: the code then
    // belongs to another list and could name a different item here.
    if (tag != list.CurList())
        return ComboChoice::ListChanged;
    if (!allowed)
        return ComboChoice::Refused;
    return list.SelectCode(code) ? ComboChoice::Taken : ComboChoice::UnknownCode;
}

POINT ComboMenuAnchor(const RECT& button, int count, int itemHeight, int screenBottom) {
    // The menu is as tall as its items plus its outline above and below; a
    // placement that counted less would run the last items off the screen.
    const int height = count * itemHeight + 2;
    const LONG left = button.left + 2;
    if (button.bottom + height <= screenBottom)
        return POINT{left, button.bottom};
    return POINT{left, std::max(0L, button.top - LONG(height))};
}

int ComboMenuWidth(int menuWidth, int buttonWidth, int widestText) {
    const int width = menuWidth > 0 ? menuWidth : buttonWidth - 4;
    return std::max(width, widestText > 0 ? widestText + kMenuTextMargins : 0);
}
