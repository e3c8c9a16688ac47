// Without a window system the layout is the US one.

#include "platform/Keyboard.h"

namespace platform {

char KeyCharForVk(uint8_t vk) {
    if (vk >= '0' && vk <= '9')
        return char(vk);
    if (vk >= 'A' && vk <= 'Z')
        return char(vk + ('a' - 'A'));
    switch (vk) {
    case 0x08:
        return '\b';
    case 0x09:
        return '\t';
    case 0x0D:
        return '\r';
    case 0x1B:
        return 0x1B;
    case 0x20:
        return ' ';
    case 0x6A:
        return '*';
    case 0x6B:
        return '+';
    case 0x6D:
        return '-';
    case 0x6E:
        return '.';
    case 0x6F:
        return '/';
    case 0xBA:
        return ';';
    case 0xBB:
        return '=';
    case 0xBC:
        return ',';
    case 0xBD:
        return '-';
    case 0xBE:
        return '.';
    case 0xBF:
        return '/';
    case 0xC0:
        return '`';
    case 0xDB:
        return '[';
    case 0xDC:
        return '\\';
    case 0xDD:
        return ']';
    case 0xDE:
        return '\'';
    case 0xE2:
        return '\\';
    default:
        return 0;
    }
}

} // namespace platform
