// A site file and a page, both from the input (split at the first NUL byte,
// which a page scan stops at anyway): every site's rules on the page. The
// scan never crashes, never reads past the page, and never hands over a
// field over 2,047 bytes.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/keyword.h"
#include "engine/search_result.h"
#include "engine/search_session.h"

namespace {

class CheckingWindow : public quennit::IMessageWindow {
  public:
    bool IsWindow() const override { return true; }
    quennit::LRESULT SendMessage(std::uint32_t msg, quennit::WPARAM,
                                 quennit::LPARAM lParam) override {
        if (msg == quennit::WM_SEARCH_RESULT) {
            const auto* r = reinterpret_cast<const quennit::SearchResult*>(lParam);
            if (r->m_strUrl.empty() || r->m_strUrl.size() > quennit::kFieldMax ||
                r->m_strTitle.size() > quennit::kFieldMax ||
                r->m_strText.size() > quennit::kFieldMax) {
                std::abort();
            }
        }
        return 0;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = std::min(input.find('\0'), input.size());
    // An exactly sized copy, so that a read past its end shows up under
    // AddressSanitizer.
    const std::string page(input.substr(std::min(nul + 1, input.size())));

    quennit::CSearchSession session;
    session.LoadSiteText(input.substr(0, nul));
    CheckingWindow window;
    // A handful of sites is plenty: each scan covers the whole page.
    const int sites = std::min(session.GetSiteCount(), 8);
    for (int n = 1; n <= sites; ++n) {
        const auto site = static_cast<std::uint32_t>(n);
        session.SetNotifyWnd(site, &window);
        session.ExtractResults(page.c_str(), site);
        session.ExtractResults(page.c_str(), site);  // a second page continues the run state
    }
    return 0;
}
