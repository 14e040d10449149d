// A site file and a page, both from the input (split at the first NUL byte,
// which a page scan stops at anyway): a handful of its sites on the page.
#include <string_view>

#include "fuzz_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = std::min(input.find('\0'), input.size());
    quennit::CSearchSession session;
    session.LoadSiteText(input.substr(0, nul));
    const std::string page(input.substr(std::min(nul + 1, input.size())));
    for (int n = 1; n <= std::min(session.GetSiteCount(), 8); ++n) {
        fuzz::Scan(session, static_cast<std::uint32_t>(n), page);
    }
    return 0;
}
