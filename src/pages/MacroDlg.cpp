#include "pages/MacroDlg.h"

CMacroDlg::CMacroDlg() : CSkinPage(L"macro_nr.png") {}
