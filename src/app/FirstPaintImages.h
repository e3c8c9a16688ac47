#pragma once
// The skin files the first paint needs, in the order start-up asks for them:
// decoded on a thread of their own while the window thread builds windows.

#include <string>
#include <vector>

// Full paths (SkinPath). The list only saves time: a file left out is decoded
// by the control that loads it, one that is named wrongly or missing is
// decoded (and reported) by its caller as without the list.
std::vector<std::wstring> FirstPaintImageFiles();
