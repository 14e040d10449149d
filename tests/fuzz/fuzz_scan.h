// Shared by the page fuzzers: scans a page with one site twice (a second page
// continues the run state) and aborts on a result with no URL or a field
// beyond its bound: captures are 2,047 bytes at most, a result's UTF-8 text
// takes at most 3 bytes for each, and a link reference that the site's code
// lacks at most 5 (the 3 bytes "&#0" go out as "%26%2365533%3B"). The page must be an exactly sized
// copy, so that a read past its end shows up under AddressSanitizer.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>

#include "engine/keyword.h"
#include "engine/search_session.h"
#include "support/recording_events.h"

namespace fuzz {

inline void Scan(quennit::CSearchSession& session, std::uint32_t site, const std::string& page) {
    quennit::test::RecordingEvents window;
    session.Connect(&window, 30000, 0);
    session.ExtractResults(page.c_str(), site);
    session.ExtractResults(page.c_str(), site);
    for (const quennit::SearchResult& r : window.Results()) {
        if (r.m_strUrl.empty() || r.m_strUrl.size() > 5 * quennit::kFieldMax ||
            std::max(r.m_strTitle.size(), r.m_strText.size()) > 3 * quennit::kFieldMax) {
            std::abort();
        }
    }
}

}  // namespace fuzz
