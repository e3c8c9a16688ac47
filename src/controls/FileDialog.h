#pragma once
// The system's open and save dialogs, for one kind of file at a time.

#include <windows.h>

// `path` (MAX_PATH characters) holds the name proposed and receives the one
// chosen; `filter` is in the dialog's own form ("hvk(*.hvk)\0*.hvk\0\0") and
// `defaultExt` is added to a name typed without one. A save asks before it
// replaces a file; an open takes only a file that exists. False on Cancel.
bool AskFilePath(HWND owner, wchar_t* path, bool save, const wchar_t* filter,
                 const wchar_t* defaultExt);
