// Shared by the page fuzzers: scans a page with one site twice (a second page
// continues the run state) and aborts on a result with no URL or a field over
// 2,047 bytes. The page must be an exactly sized copy, so that a read past its
// end shows up under AddressSanitizer.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>

#include "engine/keyword.h"
#include "engine/search_result.h"
#include "engine/search_session.h"

namespace fuzz {

class CheckingWindow : public quennit::IMessageWindow {
  public:
    bool IsWindow() const override { return true; }
    quennit::LRESULT SendMessage(std::uint32_t msg, quennit::WPARAM,
                                 quennit::LPARAM lParam) override {
        const auto* r = reinterpret_cast<const quennit::SearchResult*>(lParam);
        if (msg == quennit::WM_SEARCH_RESULT &&
            (r->m_strUrl.empty() || std::max({r->m_strUrl.size(), r->m_strTitle.size(),
                                              r->m_strText.size()}) > quennit::kFieldMax)) {
            std::abort();
        }
        return 0;
    }
};

inline void Scan(quennit::CSearchSession& session, std::uint32_t site, const std::string& page) {
    static CheckingWindow window;
    session.SetNotifyWnd(site, &window);
    session.ExtractResults(page.c_str(), site);
    session.ExtractResults(page.c_str(), site);
}

}  // namespace fuzz
