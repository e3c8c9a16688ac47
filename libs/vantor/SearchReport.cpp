#include "SearchReport.h"

#include <windows.h>

#include <mutex>

namespace vantor {

namespace {
std::mutex g_reportMutex;
std::wstring g_report;
} // namespace

void ClearSearchReport() {
    std::lock_guard lock(g_reportMutex);
    g_report.clear();
}

std::wstring SearchReport() {
    std::lock_guard lock(g_reportMutex);
    return g_report;
}

void ReportLine(int debugLevel, const std::wstring& text) {
    DebugLine(debugLevel, text);
    std::lock_guard lock(g_reportMutex);
    g_report += text;
    g_report += L'\n';
}

void DebugLine(int debugLevel, const std::wstring& text) {
    if (debugLevel <= 0)
        return;
    std::wstring line = L"Vantor: " + text + L"\n";
    OutputDebugStringW(line.c_str());
}

} // namespace vantor
