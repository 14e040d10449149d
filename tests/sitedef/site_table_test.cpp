#include "sitedef/site_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace quennit {
namespace {

void Fill(SiteTable& table,
          const std::vector<std::pair<std::string, std::string>>& namesAndGroups) {
    std::uint32_t n = 0;
    for (const auto& [name, group] : namesAndGroups) {
        SiteDef def;
        def.m_strHostId = name;
        def.m_strGroup = group;
        table.Store(++n, def);
    }
    table.SetSiteCount(static_cast<int>(n));
}

TEST(SiteTable, GroupEnumerationVisitsEverySiteAndRestarts) {
    SiteTable table;
    SjisString group = "unchanged";
    EXPECT_FALSE(table.EnumSiteGroup(true, group)) << "empty table";
    Fill(table, {{"a", "G1"}, {"b", ""}, {"c", "G3"}});
    EXPECT_FALSE(table.EnumSiteGroup(false, group)) << "no enumeration was started";
    EXPECT_EQ(group, "unchanged");
    std::vector<SjisString> groups;
    for (bool first = true; table.EnumSiteGroup(first, group); first = false) {
        groups.push_back(group);
    }
    EXPECT_EQ(groups, (std::vector<SjisString>{"G3", "", "G1"}));  // sites 3, 2, 1
    EXPECT_EQ(group, "G1") << "the end leaves the last group";
    // Both enumerations share one cursor.
    ASSERT_TRUE(table.EnumSiteGroup(true, group));
    const auto second = table.EnumNext(false);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->first, 2u);
    ASSERT_TRUE(table.EnumSiteGroup(false, group));
    EXPECT_EQ(group, "G1");
}

TEST(SiteTable, SetSiteEnabledActsOnTheLowestNumberWithThatName) {
    SiteTable table;
    Fill(table, {{"x", ""}, {"dup", ""}, {"y", ""}, {"z", ""}, {"dup", ""}});
    EXPECT_TRUE(table.SetSiteEnabled("dup", 0));
    EXPECT_EQ(table.Lookup(2)->m_bEnabled, 0);
    EXPECT_EQ(table.Lookup(5)->m_bEnabled, 1);
    EXPECT_FALSE(table.SetSiteEnabled("none", 0));
    EXPECT_FALSE(table.SetSiteEnabled("Dup", 0)) << "names compare byte for byte";
    EXPECT_FALSE(table.SetSiteEnabledByNumber(6, 0));
}

TEST(SiteTable, RunStateStoreKeepsASwitchFlippedMeanwhile) {
    SiteTable table;
    Fill(table, {{"a", ""}});
    // The settings dialog flips the switch while the engine scans a page.
    table.SetSiteEnabled("a", 0);
    table.StoreRunState(1, 30, 3, "/next");
    const SiteDef after = *table.Lookup(1);
    EXPECT_EQ(after.m_bEnabled, 0);
    EXPECT_EQ(after.m_nOrder, 30);
    EXPECT_EQ(after.m_nHits, 3);
    EXPECT_EQ(after.m_strNextUrl, "/next");
    table.StoreRunState(9, 1, 1, "x");  // no such site: nothing is created
    EXPECT_FALSE(table.Lookup(9).has_value());
}

// The window's thread enumerates and flips switches while the search thread
// reads records and stores run state back; run under ThreadSanitizer.
TEST(SiteTableThreaded, ConcurrentUseIsSafe) {
    SiteTable table;
    Fill(table, {{"a", "g"}, {"b", "g"}, {"c", "h"}});
    std::atomic<bool> done{false};
    std::thread search([&] {
        for (int i = 0; i < 2000; ++i) {
            const std::uint32_t n = 1 + static_cast<std::uint32_t>(i % 3);
            if (auto def = table.Lookup(n)) {
                table.StoreRunState(n, def->m_nOrder + 10, def->m_nHits + 1, "/p");
            }
        }
        done = true;
    });
    int flips = 0;
    while (!done || flips < 100) {
        table.SetSiteEnabled("b", flips % 2);
        SjisString group;
        for (bool first = true; table.EnumSiteGroup(first, group); first = false) {
        }
        ++flips;
    }
    search.join();
    EXPECT_EQ(table.Lookup(1)->m_nHits + table.Lookup(2)->m_nHits + table.Lookup(3)->m_nHits, 2000);
}

}  // namespace
}  // namespace quennit
