#include "PageStandIn.h"

namespace guitest {

Requests& PostedRequests() {
    static Requests requests;
    return requests;
}

void RecordRequest(uint32_t nFlag, uint32_t nData) {
    PostedRequests().emplace_back(nFlag, nData);
}

} // namespace guitest
