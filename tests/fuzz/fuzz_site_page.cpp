// A site file and a page, both from the input (split at the first NUL byte,
// which a page scan stops at anyway): a handful of its sites on the page.
#include <string_view>

#include "fuzz_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = std::min(input.find('\0'), input.size());
    const fuzz::Sites sites(input.substr(0, nul));
    const std::string page(input.substr(std::min(nul + 1, input.size())));
    for (std::uint32_t n = 1; static_cast<int>(n) <= std::min(sites.table.GetSiteCount(), 8); ++n) {
        const auto server = sites.servers.find(n);
        fuzz::Scan(*sites.table.Lookup(n), server == sites.servers.end() ? "" : server->second,
                   page);
    }
    return 0;
}
