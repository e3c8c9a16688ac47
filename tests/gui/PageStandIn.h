#pragma once
// What the page window tests share: the main window as a page sees it
// (PageHost), with a ready check that can refuse and a battery that answers
// what the test says, and the apply requests the pages post.

#include "pages/SkinPage.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace guitest {

using Requests = std::vector<std::pair<uint32_t, uint32_t>>;
// The requests posted to RecordRequest (the apply queue of the tests), in order.
Requests& PostedRequests();
void RecordRequest(uint32_t nFlag, uint32_t nData);

class StandInHost : public PageHost {
public:
    bool PreApplyCheck() override {
        ++checks;
        return ready;
    }
    void RefreshPages() override {}
    bool DeviceConnected() override { return connected; }
    bool ReadPowerLevel(int& out) override {
        ++reads;
        out = level;
        return answers;
    }
    void ShowPage(int n) override { shownPage = n; }

    bool ready = true, connected = true, answers = true;
    int level = 8, checks = 0, reads = 0, shownPage = 0;
};

} // namespace guitest
