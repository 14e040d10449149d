#include "platform/text_codec.h"

#include <iconv.h>

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

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
    thread_local Iconv cd("CP932", "UTF-8");
    cd.Reset();
    std::string out;
    out.reserve(sjis.size() * 3 / 2);
    const char* in = sjis.data();
    std::size_t left = sjis.size();
    while (!cd.Run(in, left, out)) {
        // One replacement per offending byte keeps the rest readable.
        out += "\xEF\xBF\xBD";
        ++in;
        --left;
        cd.Reset();
    }
    return out;
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
