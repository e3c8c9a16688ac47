#pragma once
// Resource ids of Tarvel.exe.

#include "controls/DialogTemplates.h"

#define IDR_MAINFRAME 128 // the program's icon

// Buttons of the main window (control ids of their windows).
#define IDC_MAIN_MIN 1001
#define IDC_MAIN_CLOSE 1002
#define IDC_MAIN_MENU 1003
#define IDC_MAIN_APPLY 1004
#define IDC_MAIN_RESTORE 1005
#define IDC_MAIN_HOME 1006
#define IDC_MAIN_IMPORT 1007
#define IDC_MAIN_EXPORT 1008
#define IDC_MAIN_NAVI1 1011 // rcNaviBtn1 .. rcNaviBtn4: 1011 .. 1014
#define IDC_MAIN_PRO1 1021  // rcPro1 .. rcPro5: 1021 .. 1025

// Commands of the tray menu.
#define ID_TRAY_CONFIG 0x6000
#define ID_TRAY_EXIT 0x6001
