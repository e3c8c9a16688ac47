#pragma once
// Runs the native tarvelctl with the default product and collects what it
// prints and its exit status.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace tooltest {

struct Result {
    int status;
    std::string output;
};

// `env` is put before the command ("TARVEL_HIDRAW_ROOT=/x").
inline Result RunTool(const std::string& args, const std::string& env = {}) {
    const std::string command = (env.empty() ? "" : env + " ") + std::string(TARVELCTL_EXE) +
                                " --exe-dir " + PRODUCT_DIR + " " + args + " 2>/dev/null";
    Result result{-1, {}};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[512];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, got);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace tooltest
