// Any bytes as a keyword (as typed, UTF-8, and as sent, Shift_JIS) and as a
// request format: the conversions and the escaping never crash or read past
// their input, and the format never interprets anything but %s and %%.
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/keyword.h"
#include "platform/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (const auto typed = quennit::Utf8ToSjis(input)) {
        (void)quennit::UrlEscapeKeyword(quennit::SjisToEuc(*typed));
    }
    (void)quennit::SjisToUtf8(input);
    const std::string euc = quennit::SjisToEuc(input);
    const std::string sjis = quennit::EucToSjis(input);
    const std::string escaped = quennit::UrlEscapeKeyword(input);
    if (escaped.size() > 3 * input.size() || sjis.size() > input.size() ||
        euc.size() > 2 * input.size()) {
        std::abort();
    }
    // No '%' can come from the format other than the ones written in it.
    const std::string path = quennit::FormatRequestPath(input, "");
    if (path.size() > input.size()) {
        std::abort();
    }
    quennit::SiteDef site;
    site.m_strUrlFormat = input;
    site.m_nKanji = 1 + static_cast<int>(size % 3);
    (void)quennit::BuildRequestPath(site, input);
    return 0;
}
