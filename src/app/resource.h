#pragma once
// Resource ids of Tarvel.exe.

#define IDR_MAINFRAME 128 // the program's icon
#define IDD_MAIN 102      // the main window
#define IDD_PAGE 103      // a page (child of the main window)
#define IDD_SWATCH 104    // a colour swatch
#define IDD_NOTIFY 106    // the on-screen notification
#define IDD_POPUP 107     // skinned pop-up dialogs (message, progress, about)
