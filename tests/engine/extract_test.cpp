#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/byte_search.h"
#include "engine/extract.h"
#include "engine/keyword.h"
#include "platform/text_codec.h"

namespace quennit {
namespace {

using namespace std::string_literals;
// One site's pages cut as a search cuts them: the run state carries on from
// page to page unless a page fails.
class Extraction : public testing::Test {
  protected:
    // Lines of "KEY value": STARTWORD, LINKDV, KANJI and MAXCOUNT set the
    // site; T_ keys are page rules, R_ keys clean-up rules, others entry rules.
    void Define(const std::string& lines) {
        SiteDef site;
        site.m_strHostId = "Site";
        std::istringstream in(lines);
        for (std::string line; std::getline(in, line);) {
            const auto blank = std::min(line.find(' '), line.size());
            const std::string key = line.substr(0, blank);
            const std::string value = line.substr(std::min(blank + 1, line.size()));
            if (key == "STARTWORD" || key == "ENDWORD" || key == "LINKDV") {
                (key == "LINKDV"    ? site.m_strLinkDv
                 : key == "ENDWORD" ? site.m_strEndWord
                                    : site.m_strStartWord) = value;
            } else if (key == "KANJI" || key == "MAXCOUNT") {
                (key == "KANJI" ? site.m_nKanji : site.m_nMaxCount) = std::stoi(value);
            } else {
                AddRule(site, key, value);
            }
        }
        site.m_strNextUrl = "/stale";
        m_site = site;
    }

    int Extract(const std::string& page) {
        PageExtract out = ExtractPage(page.c_str(), m_site, m_server);
        results.insert(results.end(), out.results.begin(), out.results.end());
        if (out.status != PageExtract::kFieldTooLong) {
            m_site.m_nOrder = out.order;
            m_site.m_nHits = out.hits;
            m_site.m_strNextUrl = out.nextUrl;
        }
        return out.status;
    }
    SiteDef Stored() const { return m_site; }

    // The results so far, a line each: link, title and text.
    std::string Tsv() const {
        std::string out;
        for (const auto& r : results) {
            out += r.m_strUrl + "\t" + r.m_strTitle + "\t" + r.m_strText + "\n";
        }
        return out;
    }

    std::vector<SearchResult> results;
    SiteDef m_site;
    std::string m_server = "searchhost";
};

const std::string kExampleEntry =
    "STARTWORD <dl>\nSEARCH <dt><a href=http://\nURL >\nTITLE </a>\nSEARCH <dd>\nTEXT <br>\n";
const std::string kExampleNext = "T_SEARCH class=next href=\nT_NEXTURL >\n";
const std::string kExamplePage =
    "<p>1-2</p><a class=next href=/find?p=2>next</a><dl><dt><a href=http://pagehost/a>Alpha</a>"
    "<dd>First <b>hit</b><br><dt><a href=http://pagehost/b>Beta</a><dd>Second<br></dl>";

// One page cut by one site definition.
struct ScanCase {
    const char* name;
    std::string rules;
    std::string page;
    std::string results;
    std::string next = "";  // the next page the page leaves behind
};

void PrintTo(const ScanCase& c, std::ostream* os) {
    *os << c.name;
}

class Scan : public Extraction, public testing::WithParamInterface<ScanCase> {};

TEST_P(Scan, DeliversTheExpectedResults) {
    Define(GetParam().rules);
    ASSERT_EQ(Extract(GetParam().page), 0);
    EXPECT_EQ(Tsv(), GetParam().results);
    EXPECT_EQ(Stored().m_strNextUrl, GetParam().next);
}

const std::string kList = "SEARCH <li>\nURL |\n";
const std::string kFive = "<li>a|<li>b|<li>c|<li>d|<li>e|";
const std::string kFields = "SEARCH <li>\nURL |\nTITLE |\nTEXT |\n";

INSTANTIATE_TEST_SUITE_P(
    Pages, Scan,
    testing::Values(
        ScanCase{"NextMarkerMissing", kExampleEntry + "T_SEARCH class=nowhere\nT_NEXTURL >",
                 kExamplePage, "pagehost/a\tAlpha\tFirst <b>hit</b>\npagehost/b\tBeta\tSecond\n"},
        ScanCase{"StartWordMissingKeepsTheNextPage",
                 kExampleEntry + kExampleNext + "STARTWORD <ol>", kExamplePage, "", "/find?p=2"},
        // The page rules moved past "<dl>"; the entries still start on it.
        ScanCase{"StartWordFromThePageStart",
                 "STARTWORD <dl>\nT_SEARCH </dl>\nSEARCH <dl><dt>\nURL |", "<dl><dt>x|</dl>",
                 "x\t\t\n"},
        // The end word bounds the list: the second list is not read, and an
        // entry reaching past it has no link there.
        ScanCase{"EndWordEndsTheEntries", "STARTWORD <ol>\nENDWORD </ol>\n" + kList,
                 "<li>x|<ol><li>a|<li>b|<li>c</ol><li>d|", "a\t\t\nb\t\t\n"},
        ScanCase{"MissingTitleMarker", kList + "TITLE </t>", "<li>u1|<li>u2|", "u1\t\t\nu2\t\t\n"},
        // The first entry's link marker only appears inside the second entry:
        // the entry ends before capturing, has no link, and the page is done.
        ScanCase{"GuardEndsAnEntryWhoseMarkerIsTheNextOnes", kList + "TITLE #",
                 "<li>no link here<li>u2|t2#<li>u3|t3#", ""},
        ScanCase{"EntryWithoutLinkEndsThePage", "SEARCH <li>\nTITLE |\nURL #",
                 "<li>a|u1#<li>b|<li>c|u3#", "u1\ta\t\n"},
        ScanCase{"NulEndsThePage", kList, "<li>a|<li>b|\0<li>c|"s, "a\t\t\nb\t\t\n"},
        // The limit is tested after each result, so one always comes.
        ScanCase{"Limit3", kList + "MAXCOUNT 3", kFive, "a\t\t\nb\t\t\nc\t\t\n"},
        ScanCase{"Limit0", kList + "MAXCOUNT 0", kFive, "a\t\t\n"},
        ScanCase{"TextReplacesAddString", kList + "ADDSTRING x\nTEXT #", "<li>u|captured#",
                 "u\t\tcaptured\n"},
        ScanCase{"Appends",
                 kList + "ADDSTRING x\nTEXTADD #\nTITLE !\nTITLEADD ?\nSKIP ;\nTEXTADD .",
                 "<li>u|one#T1!T2?gone;two.", "u\tT1T2\txonetwo\n"},
        ScanCase{"LocalLink", "LINKDV LOCAL\nSEARCH href=\nURL >", "<a href=/a.html>",
                 "searchhost/a.html\t\t\n"},
        ScanCase{"OnlyLocalExactly", "LINKDV local\nSEARCH href=\nURL >", "<a href=/a.html>",
                 "/a.html\t\t\n"},
        // A UTF-8 page keeps every character; its markers are the site
        // file's Shift_JIS (。 here). A bad byte and a cut-off character
        // are one 〓 each.
        ScanCase{"Utf8PageKeepsEveryCharacter",
                 "KANJI 3\nSEARCH <li>\nURL |\nTITLE \x81\x42\nTEXT |",
                 "<li>u|京都。𠮷 café 😀 \xFF\xF0\x9F|", "u\t京都\t𠮷 café 😀 〓〓\n"},
        // EUC 検索 in the title and the text; the link is read as Shift_JIS,
        // as it always was.
        ScanCase{"EucTextArrivesDecoded", "KANJI 1\n" + kFields,
                 "<li>\xB8\xA1|\xB8\xA1\xBA\xF7|a\xBA\xF7|", "ｸ｡\t検索\ta索\n"},
        // Links read as a browser reads an attribute: references decoded, a
        // name without ';' before '=' kept, what a request can't hold
        // escaped in the site's code, what the code lacks as its reference.
        ScanCase{"LinksAreDecodedForTheSitesCode", kList + "T_NEXTURL !",
                 "/n?a&amp;p=2!<li>/p?a=1&amp;b=2&copy=3&notin&lang=&#x65E5;&#32;&#x1F600;|",
                 "/p?a=1&b=2&copy=3&notin&lang=%93%FA%20%26%23128512%3B\t\t\n", "/n?a&p=2"},
        ScanCase{"Utf8LinksAreDecodedInUtf8", "KANJI 3\n" + kList, "<li>/p?q=&#x65E5;&eacute|",
                 "/p?q=%E6%97%A5%C3%A9\t\t\n"},
        // Titles and texts read as text, after the site's own deletions.
        ScanCase{"TitlesAndTextsReadAsText", "R_DEL &nbsp;\n" + kFields,
                 "<li>u|Caf&eacute; &amp; &quot;Bar&quot;&#40;1&#41;&ensp;&#x3000;|"
                 "a&nbsp;b&#160;c &unknown; &amp &lt3 &ampx &#0; &#150; &|",
                 "u\tCafé & \"Bar\"(1)  \tab c &unknown; & <3 &x \xEF\xBF\xBD \xE2\x80\x93 &\n"},
        ScanCase{"CleanRulesSpareTheLink", "R_DEL <b>\n" + kFields, "<li>h/<b>|T<b>\t1|x<b>\ny\r|",
                 "h/<b>\tT 1\tx y\r\n"},
        // Deleting starts over, so pieces that join up go too.
        ScanCase{"DeletionOfJoinedPieces", "R_DEL ab\n" + kFields, "<li>u||aabbc|", "u\t\tc\n"},
        // The second R_DEL has an empty value, the last one a blank.
        ScanCase{"EmptyDeletionsAndOtherKeysDoNothing", "R_KEEP x\nR_DEL \nR_DEL  \n" + kFields,
                 "<li>u||x\ty x|", "u\t\txyx\n"}),
    [](const auto& tested) { return std::string(tested.param.name); });

TEST_F(Extraction, WorkedExampleTwiceContinuesOrderAndHits) {
    Define(kExampleEntry + kExampleNext + "R_DEL <b>\nR_DEL </b>");
    ASSERT_EQ(Extract(kExamplePage), 0);
    ASSERT_EQ(Extract(kExamplePage), 0);
    EXPECT_EQ(Tsv(),
              "pagehost/a\tAlpha\tFirst hit\npagehost/b\tBeta\tSecond\n"
              "pagehost/a\tAlpha\tFirst hit\npagehost/b\tBeta\tSecond\n");
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[3].m_strSiteName, "Site");
    EXPECT_EQ(results[3].m_nOrder, 40);
    EXPECT_EQ(Stored().m_strNextUrl, "/find?p=2");
    EXPECT_EQ(Stored().m_nHits, 4);
}

TEST_F(Extraction, OverLongCaptureFailsAndKeepsTheOldRunState) {
    Define(kList + "T_NEXTURL !");
    const std::string fits(kFieldMax, 'x');
    ASSERT_EQ(Extract("/next!<li>" + fits + "|<li>" + fits + "y|<li>c|"), -1);
    EXPECT_EQ(Tsv(), fits + "\t\t\n") << "earlier results stay delivered";
    const SiteDef stored = Stored();
    EXPECT_EQ(stored.m_nHits, 0);
    EXPECT_EQ(stored.m_nOrder, 0);
    EXPECT_EQ(stored.m_strNextUrl, "/stale");
    // A next-page path that long only costs the next page.
    ASSERT_EQ(Extract(std::string(kFieldMax + 1, 'p') + "!<li>d|"), PageExtract::kNextLinkTooLong);
    EXPECT_EQ(results.back().m_strUrl, "d");
    EXPECT_EQ(Stored().m_strNextUrl, "");
    // Also when an earlier rule had already captured one.
    Define(kList + "T_NEXTURL !\nT_NEXTURL !");
    ASSERT_EQ(Extract("/next!" + std::string(kFieldMax + 1, 'p') + "!<li>e|"),
              PageExtract::kNextLinkTooLong);
    EXPECT_EQ(Stored().m_strNextUrl, "");
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

// Appends are cut at the field size, never inside a character of the
// page's code: 700 Shift_JIS あ per capture appended twice (a long server in
// front of a LOCAL link), EUC 亜 (B0 A1) after two bytes, UTF-8 😀.
TEST_F(Extraction, AppendedFieldsStayWithinTheFieldSize) {
    Define("LINKDV LOCAL\n" + kList + "TITLEADD |\nTITLEADD |\nADDSTRING " +
           std::string(3000, 'a'));
    m_server = std::string(2040, 'h');
    const std::string sjis = Repeat("\x82\xA0", 700);
    ASSERT_EQ(Extract("<li>" + std::string(100, 'u') + "|" + sjis + "|" + sjis + "|"), 0);
    const SearchResult r = results[0];
    EXPECT_EQ(r.m_strTitle, Repeat("あ", 1023));
    EXPECT_EQ(r.m_strText.size(), kFieldMax);
    EXPECT_EQ(r.m_strUrl.size(), kFieldMax);
    Define("KANJI 1\n" + kList + "TITLE |\nTITLEADD |\nTITLEADD |");
    const std::string euc = Repeat("\xB0\xA1", 550);
    ASSERT_EQ(Extract("<li>u|ab|" + euc + "|" + euc + "|"), 0);
    EXPECT_EQ(results.back().m_strTitle, "ab" + Repeat("亜", 1022));
    Define("KANJI 3\n" + kList + "TITLE |\nTITLEADD |\nTITLEADD |");
    const std::string emoji = Repeat("😀", 300);
    ASSERT_EQ(Extract("<li>u|a|" + emoji + "|" + emoji + "|"), 0);
    EXPECT_EQ(results.back().m_strTitle, "a" + Repeat("😀", 511));
}

// The block-wise search must agree with a plain find at every offset, in
// particular where a match straddles a 16-byte block or the end of the text.
TEST(FindBytes, AgreesWithAPlainSearch) {
    std::mt19937 random(7);
    const char alphabet[] = "ab<>";
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 70, ' ');
        for (char& c : text) {
            c = alphabet[random() % 4];
        }
        std::string marker(1 + random() % 6, ' ');
        for (char& c : marker) {
            c = alphabet[random() % 4];
        }
        const std::size_t from = text.empty() ? 0 : random() % text.size();
        ASSERT_EQ(FindBytes(text.data(), text.size(), from, marker),
                  std::string_view(text).find(marker, from))
            << "text '" << text << "' marker '" << marker << "' from " << from;
    }
}

}  // namespace
}  // namespace quennit
