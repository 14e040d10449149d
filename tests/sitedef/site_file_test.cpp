#include "sitedef/site_file.h"

#include <gtest/gtest.h>

#include <map>

#include "support/test_files.h"

namespace quennit {
namespace {

using namespace std::string_literals;
using test::Tabs;

// Loads a site file written with '|' for TAB and records the servers.
struct Loaded {
    SiteTable table;
    std::map<std::uint32_t, SjisString> servers;
    std::vector<SiteFileNote> notes;
    bool ok = false;
    std::string error;

    explicit Loaded(const std::string& content) {
        test::TempDir dir;
        const auto path = dir.Write("SearchSite.ini", Tabs(content));
        ok = LoadSiteFile(
            path, table, [this](std::uint32_t n, const SjisString& s) { servers[n] = s; }, error,
            &notes);
    }

    SiteDef Site(std::uint32_t n) const {
        auto def = table.Lookup(n);
        EXPECT_TRUE(def.has_value()) << "site " << n;
        return def.value_or(SiteDef{});
    }
};

std::string Describe(const RuleList& list) {
    std::string out;
    for (const SiteRule& rule : list) {
        out += rule.m_strKey + "=" + rule.m_strValue + ";";
    }
    return out;
}

// Every setting of a site, its three rule lists on lines of their own.
std::string Describe(const SiteDef& s) {
    return s.m_strHostId + " | " + s.m_strUrlFormat + " | group " + s.m_strGroup + " | kanji " +
           std::to_string(s.m_nKanji) + " | max " + std::to_string(s.m_nMaxCount) + " | link " +
           s.m_strLinkDv + " | start " + s.m_strStartWord + " | on " +
           std::to_string(s.m_bEnabled) + "\n" + Describe(s.m_pageRules) + "\n" +
           Describe(s.m_entryRules) + "\n" + Describe(s.m_cleanRules);
}

TEST(SiteFile, LoadsTheTwoSiteExample) {
    const Loaded f(
        "#site definitions\n"
        "SITE_FILE_VER||1.05\n"
        "HOST_ID|||Alpha\n"
        "HOST_ADDR||alphahost\n"
        "HOST_URL_FORMAT|/find?q=%s&hits=20\n"
        "HOST_MAXCOUNT||60\n"
        "HOST_GROUP||News\n"
        "HOST_KANJI||EUC-JP\n"
        "HOST_LINKDV||LOCAL\n"
        "STARTWORD||<!-- results -->\n"
        "T_SEARCH||<a class=\"next\" href=\"\n"
        "T_NEXTURL||\">\n"
        "SEARCH||<dt>\n"
        "SEARCH||<a href=\"\n"
        "URL||\">\n"
        "TITLE||</a>\n"
        "SEARCH||<dd>\n"
        "TEXT||^\n"
        "TEXTADD||</dd>\n"
        "R_DEL||<b>\n"
        "R_DEL||</b>\n"
        "HOST_ID||Beta\n"
        "HOST_ADDR||betahost\n"
        "HOST_URL_FORMAT|/cgi/s?%s&lang=ja&pct=100%%\n"
        "HOST_GROUP||Web\n"
        "this line has no TAB and is ignored\n"
        "SEARCH||<li>\n"
        "SEARCH||href=\"http://\n"
        "URL||\">\n"
        "TITLE||</a>\n"
        "NOTE|a note between two TABs|<br>\n"
        "ADDSTRING|| (Beta)\n");
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.table.GetSiteFileVer(), "1.05");
    EXPECT_EQ(f.table.GetSiteCount(), 2);
    EXPECT_EQ(f.servers, (std::map<std::uint32_t, SjisString>{{1, "alphahost"}, {2, "betahost"}}));
    EXPECT_EQ(Describe(f.Site(1)),
              "Alpha | /find?q=%s&hits=20 | group News | kanji 1 | max 60 | link LOCAL | start "
              "<!-- results --> | on 1\n"
              "T_SEARCH=<a class=\"next\" href=\";T_NEXTURL=\">;\n"
              "SEARCH=<dt>;SEARCH=<a href=\";URL=\">;TITLE=</a>;SEARCH=<dd>;TEXT=\n;"
              "TEXTADD=</dd>;\n"
              "R_DEL=<b>;R_DEL=</b>;");
    EXPECT_EQ(
        Describe(f.Site(2)),
        "Beta | /cgi/s?%s&lang=ja&pct=100%% | group Web | kanji 2 | max 40 | link  | start  "
        "| on 1\n\n"
        "SEARCH=<li>;SEARCH=href=\"http://;URL=\">;TITLE=</a>;NOTE=<br>;ADDSTRING= (Beta);\n");
    EXPECT_TRUE(f.notes.empty());
}

// One last line (without line end) inside a site block and where it ends up.
struct LineCase {
    const char* name;
    std::string line;
    std::string pageRules;  // keys and values of the lists, "key=value;..."
    std::string entryRules;
    std::string cleanRules;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

class SiteFileLine : public testing::TestWithParam<LineCase> {};

TEST_P(SiteFileLine, LandsInTheRightList) {
    const LineCase& c = GetParam();
    const Loaded f("HOST_ID|S\n" + c.line);
    ASSERT_TRUE(f.ok);
    ASSERT_EQ(f.table.GetSiteCount(), 1) << "a line must never open a site here";
    const SiteDef s = f.Site(1);
    EXPECT_EQ(Describe(s.m_pageRules), c.pageRules);
    EXPECT_EQ(Describe(s.m_entryRules), c.entryRules);
    EXPECT_EQ(Describe(s.m_cleanRules), c.cleanRules);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, SiteFileLine,
    testing::Values(LineCase{"Empty", "\n", "", "", ""},
                    LineCase{"Comment", "#HOST_ID|X", "", "", ""},
                    LineCase{"NoTab", "SEARCH <li>", "", "", ""},
                    LineCase{"BlankBeforeHash", " #HOST_ID|X", "", " #HOST_ID=X;", ""},
                    LineCase{"IndentedHostId", "  HOST_ID|Name", "", "  HOST_ID=Name;", ""},
                    LineCase{"OneByteKey", "T|x", "", "T=x;", ""},
                    LineCase{"BarePrefixIsEntryRule", "T_|x", "T_=x;", "", ""},
                    LineCase{"UnknownPageKey", "T_SKIP|x", "T_SKIP=x;", "", ""},
                    LineCase{"UnknownCleanKey", "R_KEEP|x", "", "", "R_KEEP=x;"},
                    LineCase{"EmptyKeyIgnored", "|value", "", "", ""},
                    LineCase{"TrailingTabEmptyValue", "SEARCH|", "", "SEARCH=;", ""},
                    LineCase{"BlanksKept", " SEARCH | a ", "", " SEARCH = a ;", ""},
                    LineCase{"CaretBecomesLineFeed", "TEXT|^a^", "", "TEXT=\na\n;", ""},
                    LineCase{"CrLfSameAsLf", "SEARCH|<li>\r\n", "", "SEARCH=<li>;", ""},
                    LineCase{"NoteBetweenTabs", "NOTE|note|more|<br>", "", "NOTE=<br>;", ""},
                    LineCase{"LowerCaseKeyIsARule", "host_addr|h", "", "host_addr=h;", ""},
                    LineCase{"NulBytesKept", "SEARCH|a\0b"s, "", "SEARCH=a\0b;"s, ""}),
    [](const testing::TestParamInfo<LineCase>& p) { return p.param.name; });

TEST(SiteFile, PerSiteKeysAndTheirDefaults) {
    const Loaded f(
        "HOST_ID|A|\n"  // trailing TAB: empty name
        "HOST_GROUP|old|New\n"
        "HOST_KANJI|euc\n"  // EUC is matched case-sensitively
        "HOST_MAXCOUNT|  -7xyz\n"
        "HOST_URL_FORMAT|/a^b\n"  // carets stay outside rule values
        "STARTWORD|^\n"
        "HOST_ID|B\n"
        "HOST_KANJI|X-EUC-JP\n"
        "HOST_MAXCOUNT|many\n"
        "HOST_ADDR|first\n"
        "HOST_ADDR|second\n");
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(Describe(f.Site(1)),
              " | /a^b | group New | kanji 2 | max -7 | link  | start ^ | on 1\n\n\n");
    EXPECT_EQ(Describe(f.Site(2)), "B |  | group  | kanji 1 | max 0 | link  | start  | on 1\n\n\n");
    EXPECT_EQ(f.servers, (std::map<std::uint32_t, SjisString>{{2, "second"}}));
}

TEST(SiteFile, HostKanjiNamesTheCharacterCode) {
    const std::pair<const char*, int> cases[] = {{"SJIS", 2},    {"UTF-8", 3}, {"utf8", 3},
                                                 {"x-Utf-8", 3}, {"UTF_8", 2}, {"EUC UTF-8", 1}};
    for (const auto& [value, code] : cases) {
        EXPECT_EQ(Loaded(std::string("HOST_ID|A\nHOST_KANJI|") + value).Site(1).m_nKanji, code)
            << value;
    }
}

TEST(SiteFile, KeysBeforeTheFirstSiteAndTheVersionLabel) {
    const Loaded f(
        "HOST_ADDR|nobody\n"
        "SEARCH|<li>\n"
        "SITE_FILE_VER|1\n"
        "HOST_ID|A\n"
        "SEARCH|<a>\n"
        "SITE_FILE_VER|2\n"
        "URL|</a>\n"
        "HOST_ID|A\n");
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.servers.at(0), "nobody") << "site 0 gets the server, no search uses it";
    EXPECT_EQ(f.table.GetSiteFileVer(), "2");
    EXPECT_EQ(f.table.GetSiteCount(), 2) << "two sites may share a name";
    EXPECT_EQ(f.Site(1).m_entryRules.size(), 2u) << "the version line between rules keeps them all";
    EXPECT_EQ(f.Site(2).m_entryRules.size(), 0u);
    ASSERT_EQ(f.notes.size(), 2u);
    EXPECT_EQ(f.notes[1].kind, SiteFileNote::Kind::BeforeFirstSite);
}

TEST(SiteFile, RulesBeyondThirtyAreIgnoredAndNoted) {
    std::string content = "HOST_ID|A\n";
    for (int i = 1; i <= 32; ++i) {
        content += "SEARCH|m" + std::to_string(i) + "\nT_SEARCH|p" + std::to_string(i) + "\n";
    }
    const Loaded f(content + "R_DEL|x\n");
    const SiteDef a = f.Site(1);
    EXPECT_EQ(a.m_entryRules.size(), 30u);
    EXPECT_EQ(a.m_pageRules.size(), 30u);
    EXPECT_EQ(a.m_entryRules[29].m_strValue, "m30");
    EXPECT_EQ(a.m_cleanRules.size(), 1u) << "each list counts on its own";
    ASSERT_EQ(f.notes.size(), 4u);  // their wording: see the CLI's check
    EXPECT_EQ(f.notes[0].kind, SiteFileNote::Kind::RuleBeyondLimit);
}

TEST(SiteFile, ReloadingReplacesTheSitesUnlessTheFileIsMissing) {
    test::TempDir dir;
    SiteTable table;
    std::string error;
    const auto sink = [](std::uint32_t, const SjisString&) {};
    ASSERT_TRUE(LoadSiteFile(dir.Write("a.ini", Tabs("SITE_FILE_VER|9\nHOST_ID|A\nHOST_ID|B\n")),
                             table, sink, error));
    EXPECT_FALSE(LoadSiteFile(dir.Path("missing.ini"), table, sink, error));
    EXPECT_NE(error.find("missing.ini"), std::string::npos);
    EXPECT_EQ(table.GetSiteCount(), 2);
    EXPECT_EQ(table.GetSiteName(2), "B");

    ASSERT_TRUE(LoadSiteFile(dir.Write("b.ini", "# only comments\n"), table, sink, error));
    EXPECT_EQ(table.GetSiteCount(), 0);
    EXPECT_FALSE(table.Lookup(1).has_value());
    EXPECT_EQ(table.GetSiteFileVer(), "9") << "the label stays when the file has none";
}

}  // namespace
}  // namespace quennit
