// Any bytes as a site definition file: loading never crashes, and the table
// it leaves is consistent (numbers 1..count, at most 30 rules per list).
#include <cstdlib>
#include <string_view>

#include "engine/search_session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quennit::CSearchSession session;
    std::vector<quennit::SiteFileNote> notes;
    session.LoadSiteText(std::string_view(reinterpret_cast<const char*>(data), size), &notes);
    for (int n = 1; n <= session.GetSiteCount(); ++n) {
        const auto def = session.LookupSite(static_cast<std::uint32_t>(n));
        if (!def || def->m_pageRules.size() > quennit::kMaxRules ||
            def->m_entryRules.size() > quennit::kMaxRules ||
            def->m_cleanRules.size() > quennit::kMaxRules) {
            std::abort();
        }
    }
    if (session.LookupSite(static_cast<std::uint32_t>(session.GetSiteCount()) + 1)) {
        std::abort();
    }
    quennit::SjisString group;
    for (bool first = true; session.EnumSiteGroup(first, group); first = false) {
    }
    return 0;
}
