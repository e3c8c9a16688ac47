#include "device/win32/VantorLibrary.h"

#include "platform/Text.h"
#include "settings/Log.h"

#include <vector>

namespace {

// How long CancelBlockedRead keeps trying to reach a reader that has not yet
// entered ReadFile. Far longer than the few instructions between the two.
constexpr DWORD kCancelPatienceMs = 2000;

template <class Fn> Fn Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

VantorLibrary::VantorLibrary(std::wstring folder) : m_folder(std::move(folder)) {}

VantorLibrary::~VantorLibrary() {
    Unload();
}

std::wstring VantorLibrary::ExeFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            std::wstring full(path.data(), n);
            const size_t slash = full.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash);
        }
        path.resize(path.size() * 2);
    }
}

std::wstring VantorLibrary::ModulePath() const {
    if (!m_hModule)
        return {};
    wchar_t path[MAX_PATH * 4] = {};
    const DWORD n = GetModuleFileNameW(m_hModule, path, DWORD(std::size(path)));
    return std::wstring(path, n < std::size(path) ? n : 0);
}

bool VantorLibrary::Load() {
    if (!m_hModule) {
        const std::wstring folder = m_folder.empty() ? ExeFolder() : m_folder;
        const std::wstring path = folder + L"\\Vantor.dll";
        // The library's own dependencies are looked for beside it as well.
        m_hModule = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!m_hModule) {
            const DWORD error = GetLastError();
            settings::WriteLog("LoadLibrary %s err=0x%x",
                               text::ToUtf8(std::u16string(path.begin(), path.end())).c_str(),
                               unsigned(error));
            return false;
        }
    }
    m_pfnOpenHidDevice = Resolve<VantorOpenHidDeviceFn>(m_hModule, "OpenHidDevice");
    m_pfnSetFeature = Resolve<VantorSetFeatureFn>(m_hModule, "SetFeature");
    m_pfnGetFeature = Resolve<VantorGetFeatureFn>(m_hModule, "GetFeature");
    m_pfnGetInputReport = Resolve<VantorGetInputReportFn>(m_hModule, "GetInputReport");
    m_pfnGetProductString = Resolve<VantorGetProductStringFn>(m_hModule, "GetProductString");
    m_pfnGetVersionNumber = Resolve<VantorGetVersionNumberFn>(m_hModule, "GetVersionNumber");
    m_pfnGetSearchReport = Resolve<VantorGetSearchReportFn>(m_hModule, "GetSearchReport");
    return IsLoaded();
}

void VantorLibrary::Unload() {
    if (m_hModule)
        FreeLibrary(m_hModule);
    m_hModule = nullptr;
    m_pfnOpenHidDevice = nullptr;
    m_pfnSetFeature = nullptr;
    m_pfnGetFeature = nullptr;
    m_pfnGetInputReport = nullptr;
    m_pfnGetProductString = nullptr;
    m_pfnGetVersionNumber = nullptr;
    m_pfnGetSearchReport = nullptr;
}

bool VantorLibrary::IsLoaded() const {
    return m_hModule && m_pfnOpenHidDevice && m_pfnSetFeature && m_pfnGetProductString &&
           m_pfnGetVersionNumber;
}

HidHandle VantorLibrary::OpenHidDevice(uint32_t usagePage, uint32_t usage,
                                       const char16_t* pathPattern, HidAcceptTestA testA,
                                       HidAcceptTestB testB, int reserved1, int debugLevel,
                                       uint32_t access, uint32_t flags, int reserved2) {
    if (!m_pfnOpenHidDevice) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // One argument carries either test; the library tells them apart by the
    // usage (0: the notification interface's test B).
    void* acceptTest = testA ? reinterpret_cast<void*>(testA) : reinterpret_cast<void*>(testB);
    return m_pfnOpenHidDevice(usagePage, usage, reinterpret_cast<const wchar_t*>(pathPattern),
                              acceptTest, reserved1, 0, debugLevel, access, flags, reserved2);
}

bool VantorLibrary::SetFeature(HidHandle cmd, const uint8_t* report, uint32_t length) {
    if (!m_pfnSetFeature) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return false;
    }
    // Only the low byte of the result counts.
    return (m_pfnSetFeature(cmd, report, length) & 0xFF) != 0;
}

bool VantorLibrary::GetVersionNumber(HidHandle cmd, uint32_t* version) {
    if (!m_pfnGetVersionNumber) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return false;
    }
    DWORD value = 0;
    if ((m_pfnGetVersionNumber(cmd, &value) & 0xFF) == 0)
        return false;
    *version = value;
    return true;
}

// A synchronous ReadFile of one input report. While it blocks, the reading
// thread is on record so that CancelBlockedRead can end the read from outside.
bool VantorLibrary::ReadReport(HidHandle notify, uint8_t* buffer, uint32_t length) {
    {
        std::lock_guard lock(m_mtxReaders);
        Reader& reader = m_readers[notify];
        if (reader.cancelled) {
            reader.cancelled = false;
            SetLastError(ERROR_OPERATION_ABORTED);
            return false;
        }
        ++reader.reads;
        HANDLE self = GetCurrentProcess();
        if (!DuplicateHandle(self, GetCurrentThread(), self, &reader.thread, 0, FALSE,
                             DUPLICATE_SAME_ACCESS)) {
            reader.thread = nullptr;
            return false;
        }
    }
    DWORD got = 0;
    const BOOL ok = ReadFile(notify, buffer, length, &got, nullptr);
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    {
        std::lock_guard lock(m_mtxReaders);
        Reader& reader = m_readers[notify];
        CloseHandle(reader.thread);
        reader.thread = nullptr;
        // A cancel that came during this read was meant for it.
        reader.cancelled = false;
    }
    SetLastError(error);
    return ok != FALSE;
}

// CancelSynchronousIo only ends I/O that is already pending: a reader that is
// inside ReadReport but has not yet entered ReadFile would miss it (the call
// then fails with ERROR_NOT_FOUND). So the cancel is also left as a flag that
// ReadReport checks before blocking, and it is repeated until the reader has
// left ReadReport.
void VantorLibrary::CancelBlockedRead(HidHandle notify) {
    unsigned read = 0;
    {
        std::lock_guard lock(m_mtxReaders);
        Reader& reader = m_readers[notify];
        reader.cancelled = true;
        if (!reader.thread)
            return; // nobody is reading: the next read returns at once
        read = reader.reads;
    }
    const DWORD start = GetTickCount();
    for (;;) {
        {
            std::lock_guard lock(m_mtxReaders);
            Reader& reader = m_readers[notify];
            if (!reader.thread || reader.reads != read)
                return; // that read has ended
            CancelSynchronousIo(reader.thread);
        }
        if (GetTickCount() - start > kCancelPatienceMs)
            return;
        Sleep(1);
    }
}

// A notification handle is closed only once no read is pending on it.
void VantorLibrary::Close(HidHandle handle) {
    if (!handle)
        return;
    bool reading = false;
    {
        std::lock_guard lock(m_mtxReaders);
        auto it = m_readers.find(handle);
        reading = it != m_readers.end() && it->second.thread;
    }
    if (reading)
        CancelBlockedRead(handle);
    {
        std::lock_guard lock(m_mtxReaders);
        m_readers.erase(handle);
    }
    CloseHandle(handle);
}

uint32_t VantorLibrary::LastError() const {
    return GetLastError();
}

std::u16string VantorLibrary::LastSearchReport() const {
    if (!m_pfnGetSearchReport)
        return {};
    std::vector<wchar_t> text(1024);
    for (int round = 0; round < 4; ++round) {
        const DWORD length = m_pfnGetSearchReport(text.data(), DWORD(text.size()));
        if (length < text.size())
            return std::u16string(text.data(), text.data() + length);
        text.resize(size_t(length) + 1);
    }
    return {};
}
