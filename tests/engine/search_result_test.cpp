#include <gtest/gtest.h>

#include "engine/collecting_window.h"
#include "engine/search_session.h"

namespace quennit {
namespace {

class CleanUp : public testing::Test {
  protected:
    void SetRules(std::vector<std::pair<std::string, std::string>> rules) {
        SiteDef def;
        def.m_strHostId = "S";
        for (const auto& [key, value] : rules) {
            def.m_cleanRules[static_cast<std::size_t>(def.m_nCleanRules++)] = {key, value};
        }
        session.StoreSite(1, def);
    }
    std::string Clean(std::string text) const {
        session.CleanText(1, text);
        return text;
    }
    CSearchSession session;
};

TEST_F(CleanUp, SeparatorsBecomeBlanksWithoutRecord) {
    EXPECT_EQ(Clean("A\tB\nC\r"), "A B C\r");
}

TEST_F(CleanUp, DeletesEveryOccurrenceFromTheStartAgain) {
    SetRules({{"R_DEL", "<b>"}, {"R_DEL", "</b>"}});
    EXPECT_EQ(Clean("x <b>y</b> z"), "x y z");
    SetRules({{"R_DEL", "ab"}});
    EXPECT_EQ(Clean("aabb"), "");
    SetRules({{"R_DEL", ""}, {"R_KEEP", "x"}, {"R_DEL", " "}});
    EXPECT_EQ(Clean("x\ty x"), "xyx") << "empty values and other keys do nothing";
}

TEST(NotifyResult, CleansTitleAndTextButNeverTheLink) {
    CSearchSession session;
    SiteDef def;
    def.m_cleanRules[0] = {"R_DEL", "<b>"};
    def.m_nCleanRules = 1;
    session.StoreSite(3, def);
    test::CollectingWindow window;
    session.NotifyResult(3, "Site", "h/<b>", "T<b>\t1", "x<b>\ny", 120);  // no window yet
    EXPECT_TRUE(window.results.empty());
    session.SetNotifyWnd(3, &window);
    session.NotifyResult(3, "Site", "h/<b>", "T<b>\t1", "x<b>\ny", 120);
    window.m_alive = false;
    session.NotifyResult(3, "Site", "gone", "", "", 130);
    ASSERT_EQ(window.results.size(), 1u);
    const SearchResult& r = window.results[0];
    EXPECT_EQ(r.m_strSiteName, "Site");
    EXPECT_EQ(r.m_strUrl, "h/<b>");
    EXPECT_EQ(r.m_strTitle, "T 1");
    EXPECT_EQ(r.m_strText, "x y");
    EXPECT_EQ(r.m_nOrder, 120);
    EXPECT_EQ(window.sites[0], 3u);
}

}  // namespace
}  // namespace quennit
