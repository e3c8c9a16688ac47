#include "app/PopupMenu.h"

int MainMenuWidth(const std::wstring& firstText) {
    return firstText.size() >= 17 ? 150 : 100;
}
