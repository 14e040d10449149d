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

void Add(quennit::RuleList& list, int& count, const char* key, const char* value) {
    list[static_cast<std::size_t>(count++)] = {key, value};
}

std::vector<SiteDef> Sites() {
    std::vector<SiteDef> sites(3);
    SiteDef& a = sites[0];  // the usual shape, with paging and clean-up
    Add(a.m_pageRules, a.m_nPageRules, "T_SEARCH", "next href=");
    Add(a.m_pageRules, a.m_nPageRules, "T_NEXTURL", ">");
    a.m_strStartWord = "<dl>";
    Add(a.m_entryRules, a.m_nEntryRules, "SEARCH", "<dt><a href=http://");
    Add(a.m_entryRules, a.m_nEntryRules, "URL", ">");
    Add(a.m_entryRules, a.m_nEntryRules, "TITLE", "</a>");
    Add(a.m_entryRules, a.m_nEntryRules, "TEXT", "<br>");
    Add(a.m_cleanRules, a.m_nCleanRules, "R_DEL", "<b>");
    a.m_nMaxCount = 1000000;
    SiteDef& b = sites[1];  // EUC, LOCAL links, appends
    b.m_nKanji = 1;
    b.m_strLinkDv = "LOCAL";
    Add(b.m_entryRules, b.m_nEntryRules, "NOTE", "<li");
    Add(b.m_entryRules, b.m_nEntryRules, "SEARCH", "href=");
    Add(b.m_entryRules, b.m_nEntryRules, "URL", ">");
    Add(b.m_entryRules, b.m_nEntryRules, "TITLEADD", "<");
    Add(b.m_entryRules, b.m_nEntryRules, "TITLEADD", "<");
    Add(b.m_entryRules, b.m_nEntryRules, "ADDSTRING", "\xa4\xa2");
    Add(b.m_entryRules, b.m_nEntryRules, "TEXTADD", "\n");
    Add(b.m_entryRules, b.m_nEntryRules, "TEXTADD", "\n");
    b.m_nMaxCount = 1000000;
    SiteDef& c = sites[2];  // UTF-8, empty markers everywhere
    c.m_nKanji = quennit::kKanjiUtf8;
    Add(c.m_entryRules, c.m_nEntryRules, "SEARCH", "");
    Add(c.m_entryRules, c.m_nEntryRules, "URL", "");
    Add(c.m_entryRules, c.m_nEntryRules, "TEXT", "x");
    Add(c.m_cleanRules, c.m_nCleanRules, "R_DEL", "");
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
