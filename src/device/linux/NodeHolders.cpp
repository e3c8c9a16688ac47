#include "device/linux/NodeHolders.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace device {

namespace {

bool IsNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

std::string CommandName(const fs::path& process) {
    std::ifstream in(process / "comm");
    std::string name;
    std::getline(in, name);
    return name.empty() ? "?" : name;
}

} // namespace

std::vector<NodeHolder> HoldersOf(const std::vector<fs::path>& nodes, const HidrawRoots& roots,
                                  int self) {
    std::vector<NodeHolder> holders;
    std::vector<fs::path> wanted;
    for (const fs::path& node : nodes) {
        std::error_code ec;
        const fs::path real = fs::weakly_canonical(node, ec);
        wanted.push_back(ec ? node : real);
    }
    std::error_code ec;
    for (fs::directory_iterator process(roots.proc, ec), end; !ec && process != end;
         process.increment(ec)) {
        const std::string pidText = process->path().filename().string();
        if (!IsNumber(pidText) || std::atoi(pidText.c_str()) == self)
            continue;
        std::error_code fdError;
        for (fs::directory_iterator fd(process->path() / "fd", fdError), fdEnd;
             !fdError && fd != fdEnd; fd.increment(fdError)) {
            std::error_code linkError;
            const fs::path target = fs::read_symlink(fd->path(), linkError);
            if (linkError)
                continue;
            const int pid = std::atoi(pidText.c_str());
            for (const fs::path& node : wanted) {
                const bool listed = std::any_of(holders.begin(), holders.end(), [&](const auto& h) {
                    return h.pid == pid && h.node == node;
                });
                if (target == node && !listed)
                    holders.push_back({pid, CommandName(process->path()), node});
            }
        }
    }
    return holders;
}

} // namespace device
