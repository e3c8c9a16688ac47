#pragma once
// The Windows HidLibrary: Vantor.dll loaded at run time, and blocking reads of
// its notification handle that another thread can cancel.

#include "device/HidLibrary.h"

#include "Vantor.h"

#include <map>
#include <mutex>
#include <string>

class VantorLibrary final : public HidLibrary {
public:
    // Loads Vantor.dll from `folder`, or from the executable's own folder when
    // it is empty: never by a bare name, which the system would also look for
    // in the current folder and along PATH.
    explicit VantorLibrary(std::wstring folder = {});
    ~VantorLibrary() override;
    VantorLibrary(const VantorLibrary&) = delete;
    VantorLibrary& operator=(const VantorLibrary&) = delete;

    bool Load() override;
    void Unload() override;
    bool IsLoaded() const override;

    HidHandle OpenHidDevice(uint32_t usagePage, uint32_t usage, const char16_t* pathPattern,
                            HidAcceptTestA testA, HidAcceptTestB testB, int reserved1,
                            int debugLevel, uint32_t access, uint32_t flags,
                            int reserved2) override;
    bool SetFeature(HidHandle cmd, const uint8_t* report, uint32_t length) override;
    bool GetVersionNumber(HidHandle cmd, uint32_t* version) override;

    bool ReadReport(HidHandle notify, uint8_t* buffer, uint32_t length) override;
    void CancelBlockedRead(HidHandle notify) override;
    void Close(HidHandle handle) override;

    uint32_t LastError() const override;
    std::u16string LastSearchReport() const override;

    // The full path of the loaded Vantor.dll; empty when none is loaded.
    std::wstring ModulePath() const;
    // The folder of the running executable, without a trailing backslash.
    static std::wstring ExeFolder();

private:
    // The read in progress on one notification handle.
    struct Reader {
        HANDLE thread = nullptr; // the reading thread while it is inside ReadReport
        bool cancelled = false;  // a cancel has come that this or the next read must honour
        unsigned reads = 0;      // reads begun, to tell one read from the next
    };

    std::wstring m_folder;
    HMODULE m_hModule = nullptr;
    VantorOpenHidDeviceFn m_pfnOpenHidDevice = nullptr;
    VantorSetFeatureFn m_pfnSetFeature = nullptr;
    VantorGetFeatureFn m_pfnGetFeature = nullptr;
    VantorGetInputReportFn m_pfnGetInputReport = nullptr;
    VantorGetProductStringFn m_pfnGetProductString = nullptr;
    VantorGetVersionNumberFn m_pfnGetVersionNumber = nullptr;
    VantorGetSearchReportFn m_pfnGetSearchReport = nullptr; // optional

    std::mutex m_mtxReaders; // guards m_readers
    std::map<HANDLE, Reader> m_readers;
};
