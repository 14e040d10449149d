// Shared by the page fuzzers: scans a page with one site twice (a second page
// continues the run state) and aborts on a result with no URL or a field
// beyond its bound: captures are 2,047 bytes at most, a result's UTF-8 text
// takes at most 3 bytes for each, and a link reference that the site's code
// lacks at most 5 (the 3 bytes "&#0" go out as "%26%2365533%3B"). The page must be an exactly sized
// copy, so that a read past its end shows up under AddressSanitizer.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "engine/extract.h"
#include "engine/keyword.h"
#include "sitedef/site_file.h"
#include "sitedef/site_table.h"

namespace fuzz {

// A site file's sites and their servers, as a session loads them.
struct Sites {
    explicit Sites(std::string_view text) {
        quennit::LoadSiteText(
            text, table, [this](std::uint32_t n, const quennit::SjisString& s) { servers[n] = s; });
    }
    quennit::SiteTable table;
    std::map<std::uint32_t, quennit::SjisString> servers;
};

inline void Scan(quennit::SiteDef site, const std::string& server, const std::string& page) {
    for (int pass = 0; pass < 2; ++pass) {
        const quennit::PageExtract out = quennit::ExtractPage(page.c_str(), site, server);
        for (const quennit::SearchResult& r : out.results) {
            if (r.m_strUrl.empty() || r.m_strUrl.size() > 5 * quennit::kFieldMax ||
                std::max(r.m_strTitle.size(), r.m_strText.size()) > 3 * quennit::kFieldMax) {
                std::abort();
            }
        }
        if (out.status != quennit::PageExtract::kFieldTooLong) {
            site.m_nOrder = out.order;
            site.m_nHits = out.hits;
            site.m_strNextUrl = out.nextUrl;
        }
    }
}

}  // namespace fuzz
