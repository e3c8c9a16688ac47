#pragma once
// The account of OpenHidDevice's last search, which the program writes to its
// log (GetSearchReport), and the library's own lines on the debugger output.

#include <string>

namespace vantor {

void ClearSearchReport();
std::wstring SearchReport();
// Adds `text` as one line of the account; also to the debugger output when
// the caller's debug level asks for it.
void ReportLine(int debugLevel, const std::wstring& text);
// A line on the debugger output only, when the caller's debug level asks for it.
void DebugLine(int debugLevel, const std::wstring& text);

} // namespace vantor
