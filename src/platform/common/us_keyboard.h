// The US keyboard layout: the virtual-key word that types a character, for backends without a system keymap.
#pragma once

#include <cstdint>

constexpr uint16_t US_NO_KEY = 0xFFFF;  // no key types the character

// The virtual-key code in the low byte and the shift state (shift 0x100, ctrl 0x200) in the high byte,
// as the Windows call VkKeyScanA reports them for a US layout.
uint16_t UsKeyScan(unsigned char character);
