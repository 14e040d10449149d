#include <gtest/gtest.h>

#include "sitedef/site_file.h"
#include "support/test_files.h"

namespace quennit {
namespace {

using namespace std::string_literals;

// Reads a site file written with '|' for TAB. The servers and notes are
// checked through the command-line tool's check (tests/cli).
struct Loaded {
    SiteTable table;

    explicit Loaded(const std::string& content) { LoadSiteText(test::Tabs(content), table, {}); }

    SiteDef Site(std::uint32_t n) const { return table.Lookup(n).value_or(SiteDef{}); }
};

// The page, entry and clean-up rules, "key=value;" each, each list ending in '/'.
std::string Lists(const SiteDef& s) {
    std::string out;
    for (const RuleList* list : {&s.m_pageRules, &s.m_entryRules, &s.m_cleanRules}) {
        for (const SiteRule& rule : *list) {
            out += rule.m_strKey + "=" + rule.m_strValue + ";";
        }
        out += "/";
    }
    return out;
}

// A key's value is what follows its last TAB (a trailing TAB gives an empty
// name); a repeated key overwrites; carets stay carets outside rule values.
// Rules before the first site belong to none; the last version label counts,
// wherever it stands; two sites may share a name.
TEST(SiteFile, ReadsEverySettingOfASite) {
    const Loaded f(
        "#site definitions\nSEARCH|<li>\nSITE_FILE_VER||1\nHOST_ID|||Alpha\n"
        "HOST_URL_FORMAT|/find?q=%s&a^b\nHOST_MAXCOUNT||  -7xyz\nHOST_GROUP|old|News\n"
        "HOST_KANJI||EUC-JP\nHOST_LINKDV||LOCAL\nSTARTWORD||^<!-- results -->\n"
        "T_SEARCH||<a class=\"next\" href=\"\nT_NEXTURL||\">\nSEARCH||<dt>\nSITE_FILE_VER||1.05\n"
        "URL||\">\nTEXT||^\nR_DEL||<b>\nHOST_ID|B|\nHOST_ID|Alpha\n");
    EXPECT_EQ(f.table.GetSiteFileVer(), "1.05");
    EXPECT_EQ(f.table.GetSiteCount(), 3);
    const SiteDef a = f.Site(1);
    EXPECT_EQ(
        std::tuple(a.m_strHostId, a.m_strUrlFormat, a.m_strGroup, a.m_nKanji, a.m_nMaxCount,
                   a.m_strLinkDv, a.m_strStartWord),
        std::tuple("Alpha"s, "/find?q=%s&a^b"s, "News"s, 1, -7, "LOCAL"s, "^<!-- results -->"s));
    EXPECT_EQ(Lists(a),
              "T_SEARCH=<a class=\"next\" href=\";T_NEXTURL=\">;/SEARCH=<dt>;URL=\">;TEXT=\n;/"
              "R_DEL=<b>;/");
    EXPECT_EQ(f.Site(2).m_strHostId, "");
    EXPECT_EQ(f.Site(3).m_strHostId, "Alpha");
}

// One last line (without line end) of a site block and the lists it lands in.
TEST(SiteFile, EachLineLandsInTheRightList) {
    const std::pair<std::string, std::string> cases[] = {
        {"#HOST_ID|X", "///"},
        {"SEARCH <li>", "///"},  // no TAB
        {"|value", "///"},
        {" #HOST_ID|X", "/ #HOST_ID=X;//"},      // comments start in the first column
        {" HOST_ID | a ", "/ HOST_ID = a ;//"},  // keys are taken as written
        {"T|x", "/T=x;//"},
        {"T_|x", "T_=x;///"},
        {"R_KEEP|x", "//R_KEEP=x;/"},
    };
    for (const auto& [line, lists] : cases) {
        const Loaded f("HOST_ID|S\n" + line);
        EXPECT_EQ(f.table.GetSiteCount(), 1) << line;
        EXPECT_EQ(Lists(f.Site(1)), lists) << line;
    }
}

// "EUC" anywhere (case matters) wins, then "UTF-8" or "UTF8" in any case.
TEST(SiteFile, HostKanjiNamesTheCharacterCode) {
    const std::pair<const char*, int> cases[] = {
        {"euc", 2}, {"EUC UTF-8", 1}, {"x-Utf-8", 3}, {"utf8", 3}, {"UTF_8", 2}};
    for (const auto& [value, code] : cases) {
        EXPECT_EQ(KanjiCode(value), code) << value;
    }
}

// Sites 4 to 1 (the newest first in one bucket); both enumerations share
// one cursor. The settings dialog flips a switch while the engine stores a
// page's run state: the lowest number of a name is switched, the store keeps
// it. A missing file keeps the sites; a reload replaces them.
TEST(SiteTable, EnumerationSwitchesRunStateAndReload) {
    Loaded f(
        "SITE_FILE_VER|9\nHOST_ID|a\nHOST_GROUP|G1\nHOST_ID|dup\nHOST_ID|c\nHOST_GROUP|G3\n"
        "HOST_ID|dup\n");
    SjisString group;
    std::vector<SjisString> groups;
    for (bool first = true; f.table.EnumSiteGroup(first, group); first = false) {
        groups.push_back(group);
    }
    EXPECT_EQ(groups, (std::vector<SjisString>{"", "G3", "", "G1"}));
    ASSERT_TRUE(f.table.EnumSiteGroup(true, group));
    EXPECT_EQ(f.table.EnumNext(false).value_or(std::pair{0u, SiteDef{}}).first, 3u);
    EXPECT_TRUE(f.table.SetSiteEnabled("dup", 0));
    EXPECT_FALSE(f.table.SetSiteEnabled("Dup", 0)) << "names compare byte for byte";
    f.table.StoreRunState(2, 30, 3, "/next");
    f.table.StoreRunState(9, 1, 1, "x");  // no such site: nothing is created
    EXPECT_FALSE(f.table.Lookup(9).has_value());
    test::TempDir dir;
    std::string error;
    EXPECT_FALSE(LoadSiteFile(dir.Path("missing.ini"), f.table, {}, error));
    const SiteDef after = f.Site(2);
    EXPECT_EQ(std::tuple(after.m_bEnabled, after.m_nOrder, after.m_nHits, after.m_strNextUrl),
              std::tuple(0, 30, 3, "/next"s));
    EXPECT_EQ(f.Site(4).m_bEnabled, 1);
    ASSERT_TRUE(f.table.EnumSiteGroup(true, group));
    ASSERT_TRUE(LoadSiteFile(dir.Write("b.ini", "# only comments\n"), f.table, {}, error));
    EXPECT_FALSE(f.table.EnumSiteGroup(false, group)) << "an enumeration ends with the old sites";
    EXPECT_EQ(f.table.GetSiteCount(), 0);
    EXPECT_FALSE(f.table.Lookup(1).has_value());
    EXPECT_EQ(f.table.GetSiteFileVer(), "9") << "the label stays when the file has none";
}

}  // namespace
}  // namespace quennit
