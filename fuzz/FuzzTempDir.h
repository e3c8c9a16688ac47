#pragma once

#include <filesystem>
#include <system_error>

// Inputs become files: in memory where the system offers a file system
// there, as a disk's inode churn would cost most of the run.
inline std::filesystem::path FuzzTempDir() {
    std::error_code ec;
    return std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                         : std::filesystem::temp_directory_path();
}
