#include "model/KeyNames.h"

#include "platform/Keyboard.h"
#include "platform/Text.h"

#include <cstdio>

namespace {

struct NamedKey {
    uint8_t vk;
    const char16_t* name;
};

constexpr NamedKey kNames[] = {
    {0x08, u"Backspace"},   {0x09, u"Tab"},      {0x0C, u"Clr"},         {0x0D, u"Enter"},
    {0x2B, u"Enter"},       {0x10, u"Shift"},    {0x11, u"Ctrl"},        {0x12, u"Alt"},
    {0x13, u"Pause"},       {0x14, u"CapsLock"}, {0x1B, u"Esc"},         {0x20, u"Space"},
    {0x21, u"PageUp"},      {0x22, u"PageDown"}, {0x23, u"End"},         {0x24, u"Home"},
    {0x25, u"Left"},        {0x26, u"Up"},       {0x27, u"Right"},       {0x28, u"Down"},
    {0x29, u"Select"},      {0x2A, u"Print"},    {0x2C, u"PrintScreen"}, {0x2D, u"Insert"},
    {0x2E, u"Delete"},      {0x2F, u"Help"},     {0x5B, u"L_Win"},       {0x5C, u"R_Win"},
    {0x5D, u"App"},         {0x6A, u"Num *"},    {0x6B, u"Num +"},       {0x6C, u"\\"},
    {0x6D, u"Num -"},       {0x6E, u"Num ."},    {0x6F, u"Num /"},       {0x90, u"NumLock"},
    {0x91, u"Scroll Lock"}, {0xA0, u"L_Shift"},  {0xA1, u"R_Shift"},     {0xA2, u"L_Ctrl"},
    {0xA3, u"R_Ctrl"},      {0xA4, u"L_Alt"},    {0xA5, u"R_Alt"},
};

} // namespace

std::u16string KeyName(uint32_t vk) {
    for (const NamedKey& k : kNames)
        if (k.vk == vk)
            return k.name;
    if ((vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5A))
        return std::u16string(1, char16_t(vk));
    if (vk >= 0x60 && vk <= 0x69)
        return u"Num " + std::u16string(1, char16_t(u'0' + (vk - 0x60)));
    if (vk >= 0x70 && vk <= 0x7B)
        return u"F" + text::Widen(std::to_string(vk - 0x6F));
    if (vk < 0x08 || vk > 0xFF)
        return {};
    char c = platform::KeyCharForVk(uint8_t(vk));
    if (c >= 'a' && c <= 'z')
        c = char(c - ('a' - 'A'));
    // "%c" of the byte: Latin-1 widening keeps the character of the code page's
    // lower half; a key without a character gives an empty name.
    if (c == 0)
        return {};
    return std::u16string(1, char16_t(static_cast<unsigned char>(c)));
}
