#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <stdlib.h>

// Inputs become files: in memory where the system offers a file system
// there, as a disk's inode churn would cost most of the run.
inline std::filesystem::path FuzzTempDir() {
    std::error_code ec;
    return std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                         : std::filesystem::temp_directory_path();
}

// A new folder of the target's own below FuzzTempDir(), named after
// `target`; it and all in it are removed when the process ends. Called once
// per process.
inline std::filesystem::path OwnFuzzDir(const std::string& target) {
    static std::filesystem::path dir;
    std::string pattern = (FuzzTempDir() / (target + ".XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    dir = pattern;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    });
    return dir;
}
