#pragma once
// The main window's use of the popup-menu library (controls/MenuLibrary.h),
// which loads Kelmo.dll, builds entries and opens and closes menus.

#include "controls/MenuLibrary.h"

#include <string>

// The main window's menu: 100 pixels wide, or 150 when its first entry's text
// has 17 characters or more. The product's texts are chosen to fit.
int MainMenuWidth(const std::wstring& firstText);
