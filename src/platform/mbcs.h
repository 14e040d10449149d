#pragma once

#include <string_view>

namespace quennit {

// True for a Shift_JIS lead byte (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsSjisLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Ordering of two Shift_JIS strings as the multibyte string comparison of the
// original platform: a double-byte character compares by its two-byte code,
// any other byte by its value. A lead byte at the very end of a text counts
// as a single byte. Returns <0, 0 or >0.
int MbsCompare(std::string_view a, std::string_view b);

// The longest prefix of text that is at most maxBytes long and does not end
// in the middle of a double-byte character.
std::string_view SjisCutAt(std::string_view text, std::size_t maxBytes);

}  // namespace quennit
