#pragma once
// Which other processes have a device node open: the receiver answers every
// command on every open handle, so a program that already talks to it would
// take the answers meant for another one, and the other way round.

#include "device/linux/HidrawTree.h"

#include <filesystem>
#include <string>
#include <vector>

namespace device {

struct NodeHolder {
    int pid = 0;
    std::string name; // the process's command name
    std::filesystem::path node;
};

// The processes other than `self` that hold one of `nodes` open, from the
// process table under `roots.proc`. Processes whose open files this user may
// not see are not listed.
std::vector<NodeHolder> HoldersOf(const std::vector<std::filesystem::path>& nodes,
                                  const HidrawRoots& roots, int self);

} // namespace device
