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

}  // namespace

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
