#include <gtest/gtest.h>

#include <string>

#include "engine/diagnose.h"

namespace quennit {
namespace {

using Source = DeclaredCharset::Source;

// The header's charset wins; else the first <meta> that declares one, in
// either form, whatever the case and the quoting.
TEST(DeclaredCharset, HeaderThenMeta) {
    struct Case {
        std::string contentType, page;
        Source source;
        std::string name;
    };
    const Case cases[] = {
        {"text/html; charset=\"EUC-JP\"", "<meta charset=utf-8>", Source::Header, "EUC-JP"},
        {"text/html", "<META Charset = 'Shift_JIS'>", Source::Meta, "Shift_JIS"},
        {"", "<meta name=x><meta http-equiv=Content-Type content=\"text/html;charset=x-sjis\">",
         Source::Meta, "x-sjis"},
        {"text/html; charset=", "<p>charset=utf-8</p>", Source::None, ""},
    };
    for (const Case& c : cases) {
        const DeclaredCharset found = FindDeclaredCharset(c.contentType, c.page);
        EXPECT_EQ(found.source, c.source) << c.page;
        EXPECT_EQ(found.name, c.name) << c.page;
    }
    EXPECT_EQ(CharsetKanji("Windows-31J"), kKanjiSjis);
    EXPECT_EQ(CharsetKanji("x-euc-jp"), kKanjiEuc);
    EXPECT_EQ(CharsetKanji("UTF8"), kKanjiUtf8);
    EXPECT_EQ(CharsetKanji("US-ASCII"), 0);
    EXPECT_EQ(CharsetKanji("ISO-2022-JP"), std::nullopt);
}

// A UTF-8 site's markers are looked for in UTF-8, only after STARTWORD and
// before ENDWORD; ASCII fits every site, a code Quennit can't read none.
TEST(DiagnosePage, NamesTheFirstRuleThatNeverOccurs) {
    SiteDef site;
    site.m_nKanji = kKanjiUtf8;
    site.m_strStartWord = "\x8c\x8b\x89\xca";  // 結果 in Shift_JIS
    site.m_strEndWord = "<hr>";
    AddRule(site, "SEARCH", "<li>");
    AddRule(site, "ADDSTRING", "never");
    AddRule(site, "SEARCH", "<b>");
    AddRule(site, "URL", ">");
    const PageDiagnosis d =
        DiagnosePage("<b><meta charset=us-ascii>結果<li>a<hr><b>", site, "", "");
    EXPECT_FALSE(d.charsetMismatch);
    EXPECT_EQ(d.startWord, PageDiagnosis::Marker::Found);
    EXPECT_EQ(d.endWord, PageDiagnosis::Marker::Found);
    EXPECT_TRUE(d.extract.results.empty());
    EXPECT_EQ(d.missingRule, 3u);
    EXPECT_TRUE(DiagnosePage("", site, "", "text/html; charset=iso-2022-jp").charsetMismatch);
}

}  // namespace
}  // namespace quennit
