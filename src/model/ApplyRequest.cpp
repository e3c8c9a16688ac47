#include "model/ApplyRequest.h"

#include "settings/Log.h"

#include <atomic>

namespace {

std::atomic<ApplyQueue> g_applyQueue{nullptr};

} // namespace

void SetApplyQueue(ApplyQueue queue) {
    g_applyQueue = queue;
}

void PostApply(uint32_t nFlag, uint32_t nData) {
    if (const ApplyQueue queue = g_applyQueue) {
        queue(nFlag, nData);
        return;
    }
    settings::WriteLog("PostApply: no apply worker, nFlag=0x%x, nData=0x%x dropped",
                       unsigned(nFlag), unsigned(nData));
}
