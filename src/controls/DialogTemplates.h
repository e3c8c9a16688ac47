#pragma once
// Ids of the dialog templates the skinned windows are created from (Tarvel.rc
// defines the templates). Plain defines: the resource compiler reads this file.

#define IDD_MAIN 102   // the main window
#define IDD_PAGE 103   // a page (child of the main window)
#define IDD_SWATCH 104 // a colour swatch
#define IDD_NOTIFY 106 // the on-screen notification
#define IDD_POPUP 107  // skinned pop-up dialogs (message, progress, about)
