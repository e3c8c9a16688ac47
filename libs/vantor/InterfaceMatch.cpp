#include "InterfaceMatch.h"

#include "Vantor.h"

#include <algorithm>

namespace vantor {

namespace {

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c;
}

} // namespace

bool PathMatches(const std::wstring& path, const std::wstring& pattern) {
    auto it = std::search(path.begin(), path.end(), pattern.begin(), pattern.end(),
                          [](wchar_t a, wchar_t b) { return Lower(a) == Lower(b); });
    return it != path.end() || pattern.empty();
}

bool Qualifies(const OpenRequest& request, const InterfaceCaps& caps) {
    if (caps.usagePage != request.usagePage)
        return false;
    if (request.usage != 0 && caps.usage != request.usage)
        return false;
    if (!request.acceptTest)
        return true;
    // The usage tells which of the two tests the caller handed in.
    if (request.usage == 0) {
        auto test = reinterpret_cast<VantorAcceptNotify>(request.acceptTest);
        return test(caps.usagePage, caps.inputLength) != 0;
    }
    auto test = reinterpret_cast<VantorAcceptCommand>(request.acceptTest);
    return test(caps.usagePage, caps.usage, caps.inputLength, caps.featureLength) != 0;
}

void DebugLine(int debugLevel, const std::wstring& text) {
    if (debugLevel <= 0)
        return;
    std::wstring line = L"Vantor: " + text + L"\n";
    OutputDebugStringW(line.c_str());
}

} // namespace vantor
