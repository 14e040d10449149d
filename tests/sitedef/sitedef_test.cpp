#include <gtest/gtest.h>

#include <map>

#include "sitedef/site_file.h"
#include "support/test_files.h"

namespace quennit {
namespace {

using namespace std::string_literals;

// Reads a site file written with '|' for TAB and records the servers.
struct Loaded {
    SiteTable table;
    std::map<std::uint32_t, SjisString> servers;
    std::vector<SiteFileNote> notes;

    explicit Loaded(const std::string& content) {
        LoadSiteText(
            test::Tabs(content), table,
            [this](std::uint32_t n, const SjisString& s) { servers[n] = s; }, &notes);
    }

    SiteDef Site(std::uint32_t n) const { return table.Lookup(n).value_or(SiteDef{}); }
};

// The page, entry and clean-up rules, "key=value;" each.
std::string Lists(const SiteDef& s) {
    std::string out;
    for (const RuleList* list : {&s.m_pageRules, &s.m_entryRules, &s.m_cleanRules}) {
        out += list == &s.m_pageRules ? "" : " / ";
        for (const SiteRule& rule : *list) {
            out += rule.m_strKey + "=" + rule.m_strValue + ";";
        }
    }
    return out;
}

std::string Describe(const SiteDef& s) {
    return s.m_strHostId + " | " + s.m_strUrlFormat + " | group " + s.m_strGroup + " | kanji " +
           std::to_string(s.m_nKanji) + " | max " + std::to_string(s.m_nMaxCount) + " | link " +
           s.m_strLinkDv + " | start " + s.m_strStartWord + " | on " +
           std::to_string(s.m_bEnabled) + "\n" + Lists(s);
}

// A key's value is what follows its last TAB (a trailing TAB gives an empty
// name); a repeated key overwrites; carets stay carets outside rule values.
// Keys before the first site belong to site 0, which no search asks; the last
// version label counts, wherever it stands; two sites may share a name.
TEST(SiteFile, ReadsEverySettingOfASite) {
    const Loaded f(
        "#site definitions\nHOST_ADDR|nobody\nSEARCH|<li>\nSITE_FILE_VER||1\nHOST_ID|||Alpha\n"
        "HOST_ADDR||first\nHOST_ADDR||alphahost\nHOST_URL_FORMAT|/find?q=%s&a^b\n"
        "HOST_MAXCOUNT||  -7xyz\nHOST_GROUP|old|News\nHOST_KANJI||EUC-JP\nHOST_LINKDV||LOCAL\n"
        "STARTWORD||^<!-- results -->\nT_SEARCH||<a class=\"next\" href=\"\nT_NEXTURL||\">\n"
        "SEARCH||<dt>\nSITE_FILE_VER||1.05\nURL||\">\nTEXT||^\nR_DEL||<b>\nHOST_ID|B|\n"
        "HOST_ID|Alpha\n");
    EXPECT_EQ(f.table.GetSiteFileVer(), "1.05");
    EXPECT_EQ(f.table.GetSiteCount(), 3);
    EXPECT_EQ(f.servers, (std::map<std::uint32_t, SjisString>{{0, "nobody"}, {1, "alphahost"}}));
    EXPECT_EQ(Describe(f.Site(1)),
              "Alpha | /find?q=%s&a^b | group News | kanji 1 | max -7 | link LOCAL | start "
              "^<!-- results --> | on 1\n"
              "T_SEARCH=<a class=\"next\" href=\";T_NEXTURL=\">; / SEARCH=<dt>;URL=\">;TEXT=\n; / "
              "R_DEL=<b>;");
    EXPECT_EQ(Describe(f.Site(2)),
              " |  | group  | kanji 2 | max 40 | link  | start  | on 1\n /  / ");
    EXPECT_EQ(f.Site(3).m_strHostId, "Alpha");
    ASSERT_EQ(f.notes.size(), 2u);
    EXPECT_EQ(f.notes[1].kind, SiteFileNote::Kind::BeforeFirstSite);
}

// One last line (without line end) of a site block and the lists it lands in.
TEST(SiteFile, EachLineLandsInTheRightList) {
    const std::pair<std::string, std::string> cases[] = {
        {"#HOST_ID|X", " /  / "},
        {"SEARCH <li>", " /  / "},  // no TAB
        {"|value", " /  / "},
        {" #HOST_ID|X", " /  #HOST_ID=X; / "},      // comments start in the first column
        {" HOST_ID | a ", " /  HOST_ID = a ; / "},  // keys are taken as written
        {"T|x", " / T=x; / "},
        {"T_|x", "T_=x; /  / "},
        {"R_KEEP|x", " /  / R_KEEP=x;"},
        {"TEXT|^a^", " / TEXT=\na\n; / "},
        {"SEARCH|<li>\r\n", " / SEARCH=<li>; / "},
        {"NOTE|note|more|<br>", " / NOTE=<br>; / "},
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
    SjisString group = "unchanged";
    EXPECT_FALSE(f.table.EnumSiteGroup(false, group)) << "no enumeration was started";
    std::vector<SjisString> groups;
    for (bool first = true; f.table.EnumSiteGroup(first, group); first = false) {
        groups.push_back(group);
    }
    EXPECT_EQ(groups, (std::vector<SjisString>{"", "G3", "", "G1"}));
    ASSERT_TRUE(f.table.EnumSiteGroup(true, group));
    EXPECT_EQ(f.table.EnumNext(false).value_or(std::pair{0u, SiteDef{}}).first, 3u);
    EXPECT_TRUE(f.table.SetSiteEnabled("dup", 0));
    EXPECT_FALSE(f.table.SetSiteEnabled("Dup", 0)) << "names compare byte for byte";
    EXPECT_FALSE(f.table.SetSiteEnabledByNumber(5, 0));
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
