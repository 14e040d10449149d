#include "platform/mbcs.h"

namespace quennit {

namespace {

// Reads one character at i and advances i: a pair for a lead byte that has a
// second byte, otherwise the single byte.
unsigned NextChar(std::string_view s, std::size_t& i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (IsSjisLeadByte(b) && i + 1 < s.size()) {
        const auto t = static_cast<unsigned char>(s[i + 1]);
        i += 2;
        return (unsigned{b} << 8) | t;
    }
    i += 1;
    return b;
}

}  // namespace

int MbsCompare(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const unsigned ca = NextChar(a, i);
        const unsigned cb = NextChar(b, j);
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (i < a.size()) {
        return 1;
    }
    if (j < b.size()) {
        return -1;
    }
    return 0;
}

std::string_view SjisCutAt(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t i = 0;
    while (i < maxBytes) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t width = IsSjisLeadByte(b) ? 2 : 1;
        if (i + width > maxBytes) {
            break;
        }
        i += width;
    }
    return text.substr(0, i);
}

}  // namespace quennit
