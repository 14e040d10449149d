// Shared by the page fuzzers: scans a page with one site twice (a second page
// continues the run state) and aborts on a result with no URL or a field over
// 2,047 bytes. The page must be an exactly sized copy, so that a read past its
// end shows up under AddressSanitizer.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>

#include "engine/keyword.h"
#include "engine/search_session.h"
#include "support/recording_window.h"

namespace fuzz {

inline void Scan(quennit::CSearchSession& session, std::uint32_t site, const std::string& page) {
    quennit::test::RecordingWindow window;
    session.SetNotifyWnd(site, &window);
    session.ExtractResults(page.c_str(), site);
    session.ExtractResults(page.c_str(), site);
    for (const quennit::SearchResult& r : window.Results()) {
        if (r.m_strUrl.empty() || std::max({r.m_strUrl.size(), r.m_strTitle.size(),
                                            r.m_strText.size()}) > quennit::kFieldMax) {
            std::abort();
        }
    }
}

}  // namespace fuzz
