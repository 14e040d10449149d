// Any bytes as a keyword (Shift_JIS as sent, and as shown, UTF-8) and as a
// request format: the conversions and the escaping never crash or read past
// their input, and the format never interprets anything but %s and %%.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "engine/keyword.h"
#include "platform/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quennit;
    const std::string input(reinterpret_cast<const char*>(data), size);
    (void)SjisToUtf8(input);
    // No '%' can come from the format other than the ones written in it,
    // and no control byte from the EUC conversion that the input lacked.
    const std::string euc = SjisToEuc(input).value_or("");
    const auto controls = [](const std::string& s) {
        return std::count_if(s.begin(), s.end(), [](char c) { return c >= 0 && c < 0x20; });
    };
    if (UrlEscapeKeyword(input).size() > 3 * size || EucToSjis(input).size() > size ||
        euc.size() > 2 * size || controls(euc) > controls(input) ||
        FormatRequestPath(input, "").size() > size) {
        std::abort();
    }
    SiteDef site;
    site.m_strUrlFormat = input;
    site.m_nKanji = 1 + static_cast<int>(size % 3);
    (void)BuildRequestPath(site, input);
    return 0;
}
