#include "platform/text_codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace quennit {

namespace {

class Iconv {
  public:
    Iconv(const char* from, const char* to) : m_cd(iconv_open(to, from)) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " +
                                     to);
        }
    }
    ~Iconv() { iconv_close(m_cd); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Converts as much as possible; returns false at the first invalid or
    // unrepresentable input, leaving in/inLeft at the offending byte.
    bool Run(const char*& in, std::size_t& inLeft, std::string& out) {
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            // iconv's prototype takes char** for the input on glibc.
            char* inPtr = const_cast<char*>(in);
            const std::size_t rc = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
            in = inPtr;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
                return false;
            }
        }
        return true;
    }

    void Reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

  private:
    iconv_t m_cd;
};

// Converts text, putting replacement in place of each input unit (of unit
// bytes) that is invalid: one replacement per offending unit keeps the rest
// readable.
std::string ConvertReplacing(Iconv& cd, std::string_view text, std::size_t unit,
                             std::string_view replacement) {
    cd.Reset();
    std::string out;
    out.reserve(text.size() * 3 / 2);
    const char* in = text.data();
    std::size_t left = text.size();
    while (!cd.Run(in, left, out)) {
        out += replacement;
        const std::size_t skip = std::min(unit, left);
        in += skip;
        left -= skip;
        cd.Reset();
    }
    return out;
}

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 character at the start of s, or 0 when it
// is ill-formed; then *bad is the length of its maximal subpart (at least 1).
std::size_t Utf8CharLength(std::string_view s, std::size_t* bad) {
    const auto b = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t need = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        lo = lead == 0xE0 ? 0xA0 : 0x80;
        hi = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        lo = lead == 0xF0 ? 0x90 : 0x80;
        hi = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        *bad = 1;
        return 0;
    }
    // Only the second byte has a narrower range; the others are 80-BF.
    for (std::size_t i = 1; i <= need; ++i) {
        if (i >= s.size() || b(i) < lo || b(i) > hi) {
            *bad = i;
            return 0;
        }
        lo = 0x80;
        hi = 0xBF;
    }
    return need + 1;
}

}  // namespace

std::string Utf8ToSjisReplacing(std::string_view utf8, std::string_view replacement) {
    thread_local Iconv cd("UTF-8", "CP932");
    cd.Reset();
    std::string out;
    const char* in = utf8.data();
    std::size_t left = utf8.size();
    while (!cd.Run(in, left, out)) {
        out += replacement;
        std::size_t bad = 0;
        const std::size_t n = Utf8CharLength(std::string_view(in, left), &bad);
        const std::size_t skip = std::max<std::size_t>(1, n != 0 ? n : bad);
        in += skip;
        left -= skip;
        cd.Reset();
    }
    return out;
}

std::string Utf8PageClean(std::string_view utf8, std::size_t maxBytes) {
    static constexpr std::string_view kGetaUtf8 = "\xE3\x80\x93";
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") {
        utf8.remove_prefix(3);
    }
    std::string out;
    out.reserve(std::min(utf8.size(), maxBytes));
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        // The well-formed stretch from pos goes over in one piece.
        const std::size_t start = pos;
        std::size_t bad = 0;
        for (std::size_t n; pos < utf8.size() && out.size() + (pos - start) < maxBytes &&
                            (n = Utf8CharLength(utf8.substr(pos), &bad)) != 0;) {
            if (out.size() + (pos - start) + n > maxBytes) {
                return out.append(utf8.substr(start, pos - start));
            }
            pos += n;
        }
        out.append(utf8.substr(start, pos - start));
        if (bad == 0 || out.size() + kGetaUtf8.size() > maxBytes) {
            break;
        }
        out += kGetaUtf8;
        pos += bad;
    }
    return out;
}

std::string SjisToUtf8(std::string_view sjis) {
    thread_local Iconv cd("CP932", "UTF-8");
    return ConvertReplacing(cd, sjis, 1, kReplacementUtf8);
}

std::string Utf16ToUtf8(std::string_view utf16, bool bigEndian) {
    Iconv cd(bigEndian ? "UTF-16BE" : "UTF-16LE", "UTF-8");
    return ConvertReplacing(cd, utf16, 2, kReplacementUtf8);
}

std::string Utf8ToUtf16(std::string_view utf8, bool bigEndian) {
    Iconv cd("UTF-8", bigEndian ? "UTF-16BE" : "UTF-16LE");
    return ConvertReplacing(cd, utf8, 1, bigEndian ? "\xFF\xFD" : "\xFD\xFF");
}

std::optional<std::string> Utf8ToSjis(std::string_view utf8) {
    return ConvertStrict(utf8, "UTF-8", "CP932");
}

std::optional<std::string> ConvertStrict(std::string_view text, const char* from, const char* to) {
    Iconv cd(from, to);
    std::string out;
    const char* in = text.data();
    std::size_t left = text.size();
    if (!cd.Run(in, left, out)) {
        return std::nullopt;
    }
    return out;
}

}  // namespace quennit
