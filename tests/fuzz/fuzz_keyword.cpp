// Any bytes as a keyword (Shift_JIS as sent, and as shown, UTF-8) and as a
// request format: the conversions and the escaping never crash or read past
// their input, and the format never interprets anything but %s and %%.
#include <cstdlib>
#include <string>

#include "engine/keyword.h"
#include "platform/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quennit;
    const std::string input(reinterpret_cast<const char*>(data), size);
    (void)SjisToUtf8(input);
    // No '%' can come from the format other than the ones written in it.
    if (UrlEscapeKeyword(input).size() > 3 * size || EucToSjis(input).size() > size ||
        SjisToEuc(input).size() > 2 * size || FormatRequestPath(input, "").size() > size) {
        std::abort();
    }
    SiteDef site;
    site.m_strUrlFormat = input;
    site.m_nKanji = 1 + static_cast<int>(size % 3);
    (void)BuildRequestPath(site, input);
    return 0;
}
