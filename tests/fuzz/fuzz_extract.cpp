// Any page against a few typical site definitions: the scan never crashes,
// never reads past the page, and never hands over a field over 2,047 bytes.
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/keyword.h"
#include "engine/search_result.h"
#include "engine/search_session.h"

namespace {

using quennit::SiteDef;

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

std::vector<SiteDef> Sites() {
    std::vector<SiteDef> sites(3);
    SiteDef& a = sites[0];  // the usual shape, with paging and clean-up
    quennit::AddRule(a, "T_SEARCH", "next href=");
    quennit::AddRule(a, "T_NEXTURL", ">");
    a.m_strStartWord = "<dl>";
    quennit::AddRule(a, "SEARCH", "<dt><a href=http://");
    quennit::AddRule(a, "URL", ">");
    quennit::AddRule(a, "TITLE", "</a>");
    quennit::AddRule(a, "TEXT", "<br>");
    quennit::AddRule(a, "R_DEL", "<b>");
    a.m_nMaxCount = 1000000;
    SiteDef& b = sites[1];  // EUC, LOCAL links, appends
    b.m_nKanji = 1;
    b.m_strLinkDv = "LOCAL";
    quennit::AddRule(b, "NOTE", "<li");
    quennit::AddRule(b, "SEARCH", "href=");
    quennit::AddRule(b, "URL", ">");
    quennit::AddRule(b, "TITLEADD", "<");
    quennit::AddRule(b, "TITLEADD", "<");
    quennit::AddRule(b, "ADDSTRING", "\xa4\xa2");
    quennit::AddRule(b, "TEXTADD", "\n");
    quennit::AddRule(b, "TEXTADD", "\n");
    b.m_nMaxCount = 1000000;
    SiteDef& c = sites[2];  // UTF-8, empty markers everywhere
    c.m_nKanji = quennit::kKanjiUtf8;
    quennit::AddRule(c, "SEARCH", "");
    quennit::AddRule(c, "URL", "");
    quennit::AddRule(c, "TEXT", "x");
    quennit::AddRule(c, "R_DEL", "");
    return sites;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<SiteDef> sites = Sites();
    if (size == 0) {
        return 0;
    }
    const SiteDef& site = sites[data[0] % sites.size()];
    // The page is a NUL-terminated copy, exactly sized so that a read past
    // its end shows up under AddressSanitizer.
    std::string page(reinterpret_cast<const char*>(data) + 1, size - 1);

    quennit::CSearchSession session;
    CheckingWindow window;
    session.StoreSite(1, site);
    session.SetServer(1, std::string(2000, 'h'));
    session.SetNotifyWnd(1, &window);
    session.ExtractResults(page.c_str(), 1);
    session.ExtractResults(page.c_str(), 1);  // a second page continues the run state
    return 0;
}
