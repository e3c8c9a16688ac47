// Systems other than Windows have no pointer settings of this kind: the
// settings an apply makes are kept in memory for the life of the process,
// where tarvelctl and tests can look at them.

#include "platform/SystemMouse.h"

namespace platform {

SystemMouse& OsSystemMouse() {
    static MemorySystemMouse mouse;
    return mouse;
}

} // namespace platform
