// Any bytes as a site definition file: loading never crashes, and the table
// it leaves is consistent (numbers 1..count, at most 30 rules per list).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/search_session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/quennit-fuzz-site-" + std::to_string(getpid()) + ".ini";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    quennit::CSearchSession session;
    std::string error;
    std::vector<quennit::SiteFileNote> notes;
    if (!session.LoadSiteFile(path, error, &notes)) {
        std::abort();
    }
    for (int n = 1; n <= session.GetSiteCount(); ++n) {
        const auto def = session.LookupSite(static_cast<std::uint32_t>(n));
        if (!def || def->m_nPageRules > quennit::kMaxRules ||
            def->m_nEntryRules > quennit::kMaxRules || def->m_nCleanRules > quennit::kMaxRules) {
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
