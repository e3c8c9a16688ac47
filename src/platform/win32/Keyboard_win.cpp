#include "platform/Keyboard.h"

#include <windows.h>

namespace platform {

char KeyCharForVk(uint8_t vk) {
    const UINT scan = ::MapVirtualKeyW(vk, 0); // MAPVK_VK_TO_VSC
    BYTE state[256] = {};
    WORD chars = 0;
    if (::ToAscii(vk, scan, state, &chars, 0) <= 0)
        return 0;
    return char(chars & 0xFF);
}

} // namespace platform
