// Any bytes as a keyword and as a request format: the conversions and the
// escaping never crash or read past their input, and the format never
// interprets anything but %s and %%.
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/keyword.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
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
