#pragma once
// The system's common dialogs (open, save, colour), from comdlg32.dll loaded
// on first use. The library brings the printing system with it (several MiB
// of libraries the program never uses), so it is not loaded with the program
// but only when the user first asks for one of these dialogs.

#include <windows.h>

#include <commdlg.h>

// As GetOpenFileNameW, GetSaveFileNameW and ChooseColorW; FALSE (with
// CommonDialogError 0 and a log line) when the library cannot be loaded.
BOOL OpenFileDialog(OPENFILENAMEW& ofn);
BOOL SaveFileDialog(OPENFILENAMEW& ofn);
BOOL ColourDialog(CHOOSECOLORW& cc);
// As CommDlgExtendedError: why the last dialog failed, 0 for Cancel.
DWORD CommonDialogError();
