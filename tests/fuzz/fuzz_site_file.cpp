// Any bytes as a site definition file: loading never crashes, and the table
// it leaves is consistent (numbers 1..count, at most 30 rules per list).
#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "engine/search_session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quennit::CSearchSession session;
    std::vector<quennit::SiteFileNote> notes;
    session.LoadSiteText(std::string_view(reinterpret_cast<const char*>(data), size), &notes);
    const auto count = static_cast<std::uint32_t>(session.GetSiteCount());
    for (std::uint32_t n = 1; n <= count + 1; ++n) {
        const auto def = session.LookupSite(n);
        if (def.has_value() != (n <= count) ||
            (def && std::max({def->m_pageRules.size(), def->m_entryRules.size(),
                              def->m_cleanRules.size()}) > quennit::kMaxRules)) {
            std::abort();
        }
    }
    quennit::SjisString group;
    for (bool first = true; session.EnumSiteGroup(first, group); first = false) {
    }
    return 0;
}
