// learn_eval: how well `learn` does on results pages of many styles. Each
// style's pages are generated here for three keywords with their true
// entries; the learner sees two of them, the block is scored on the third.
// Run by hand: build/release/bin/learn_eval
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/extract.h"
#include "engine/keyword.h"
#include "learn/learner.h"
#include "platform/text_codec.h"

namespace {

using quennit::ConvertStrict;

enum class List { Dl, Ol, Table, Cards, UlOpen };
enum class Links { Http, Path, Https, Relative };
enum class Next { None, Text, Offset, Relative };

struct Style {
    std::string name;
    List list = List::Ol;
    int code = quennit::kKanjiSjis;
    Links links = Links::Http;
    Next next = Next::None;
    std::string hl = "b";  // highlight element ("" none); "strong class=\"k\"" etc.
    bool snippets = true;
    bool someSnippets = false;
    bool entities = false;
    bool sponsored = false;
    bool related = false;
    bool nav = false;
    bool crlf = false;
    bool minified = false;
    bool attrOrder = false;
    bool twoLists = false;
    bool scripted = false;
    bool https = false;
    bool plus = false;    // the address writes a blank as '+', not %20
    bool refuse = false;  // the learner must answer exit 3
};

struct Truth {
    std::string url;
    std::string title;
};

struct Page {
    std::string bytes;
    std::string address;
    std::vector<Truth> truth;
    std::string next;  // the next-page path the block must find; empty: none
};

std::string Escape(const std::string& bytes, bool plus) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : bytes) {
        if (std::isalnum(c) != 0) {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += plus ? "+" : "%20";
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string Encode(const std::string& utf8, int code) {
    const char* to = code == quennit::kKanjiUtf8  ? "UTF-8"
                     : code == quennit::kKanjiEuc ? "EUC-JP-MS"
                                                  : "CP932";
    return ConvertStrict(utf8, "UTF-8", to).value_or("");
}

std::string CodeName(int code) {
    return code == quennit::kKanjiUtf8  ? "UTF-8"
           : code == quennit::kKanjiEuc ? "EUC-JP"
                                        : "Shift_JIS";
}

Page Make(const Style& s, const std::string& kw, int variant) {
    Page page;
    const std::string host = s.https ? "https://search.example:8443" : "127.0.0.1:8631";
    const std::string escaped = Escape(Encode(kw, s.code), s.plus);
    const std::string object = "/find/search?q=" + escaped + "&lang=ja";
    page.address = (s.https ? "" : "http://") + host + object;
    const int count = 6 + variant % 5;
    auto hl = [&](const std::string& text) {
        if (s.hl.empty()) {
            return text;
        }
        const std::string close = s.hl.substr(0, s.hl.find(' '));
        return "<" + s.hl + ">" + text + "</" + close + ">";
    };
    std::string items;
    const std::string nl = s.minified ? "" : "\n";
    for (int i = 1; i <= count; ++i) {
        const std::string id = std::to_string(variant * 100 + i);
        std::string title = kw + " の資料 " + id;
        std::string shownTitle = hl(kw) + " の資料 " + id;
        if (s.entities && i % 2 == 0) {
            title += " Q&A <入門>";
            shownTitle += " Q&amp;A &lt;入門&gt;";
        }
        std::string href;
        std::string url;
        switch (s.links) {
            case Links::Http:
                href = "http://docs.example/d/" + id + ".html?from=s&amp;n=" + id;
                url = "docs.example/d/" + id + ".html?from=s&n=" + id;
                break;
            case Links::Path:
                href = "/doc/view?id=" + id + "&amp;hl=1";
                url = host + "/doc/view?id=" + id + "&hl=1";
                break;
            case Links::Https:
                href = "https://secure.example/p/" + id;
                url = href;
                break;
            case Links::Relative:
                href = "view?id=" + id;
                break;
        }
        page.truth.push_back({url, title});
        const bool snippet = s.snippets && !(s.someSnippets && i % 3 == 0);
        const std::string text =
            "この文書は " + hl(kw) + " について書いた " + id + " 番目の説明です。";
        const std::string a = s.attrOrder && i % 2 == 0 ? "<a class=\"t\" href=\"" + href + "\">"
                                                        : "<a href=\"" + href + "\" class=\"t\">";
        switch (s.list) {
            case List::Dl:
                items += "<dt>" + a + shownTitle + "</a></dt>" + nl +
                         (snippet ? "<dd>" + text + "</dd>" + nl : "");
                break;
            case List::Ol:
                items += "<li>" + a + shownTitle + "</a>" + (snippet ? "<p>" + text + "</p>" : "") +
                         "</li>" + nl;
                break;
            case List::Table:
                items += "<tr><td class=\"n\">" + std::to_string(i) + "</td><td>" + a + shownTitle +
                         "</a>" + (snippet ? "<div class=\"s\">" + text + "</div>" : "") +
                         "</td></tr>" + nl;
                break;
            case List::Cards:
                items += "<div class=\"card\" id=\"r" + std::to_string(i) + "\"><h3>" + a +
                         shownTitle + "</a></h3>" +
                         (snippet ? "<span class=\"snip\">" + text + "</span>" : "") + "</div>" +
                         nl;
                break;
            case List::UlOpen:
                items += "<li>" + a + shownTitle + "</a>" +
                         (snippet ? "<br><small>" + text + "</small>" : "") + nl;
                break;
        }
    }
    std::string open, close;
    switch (s.list) {
        case List::Dl:
            open = "<dl class=\"results\">";
            close = "</dl>";
            break;
        case List::Ol:
            open = "<ol class=\"results\">";
            close = "</ol>";
            break;
        case List::Table:
            open = "<table class=\"results\">";
            close = "</table>";
            break;
        case List::Cards:
            open = "<div id=\"results\">";
            close = "</div>";
            break;
        case List::UlOpen:
            open = "<ul>";
            close = "</ul>";
            break;
    }
    std::string html =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
        CodeName(s.code) + "\"><title>" + kw + " - 例の検索</title></head><body>" + nl;
    if (s.nav) {
        html +=
            "<div class=\"nav\"><a href=\"/\">トップ</a> <a href=\"/help\">ヘルプ</a> <a "
            "href=\"/about\">" +
            kw + "について</a> <a href=\"/news\">ニュース</a></div>" + nl;
    }
    html += "<form action=\"/find/search\"><input name=\"q\" value=\"" + kw + "\"></form>" + nl;
    if (s.sponsored) {
        html += "<div id=\"ads\"><h2>スポンサー</h2><ul>";
        for (int i = 1; i <= 3; ++i) {
            html += "<li><a href=\"http://ads.example/c?" + std::to_string(i) + "\">" + hl(kw) +
                    " 特価 " + std::to_string(i) + "</a><p>広告です</p></li>" + nl;
        }
        html += "</ul></div>" + nl;
    }
    if (s.scripted) {
        html += "<div id=\"app\"></div><script>render(\"" + escaped + "\")</script>" + nl;
        page.truth.clear();
    } else {
        html += "<h2>検索結果</h2>" + nl + open + nl + items + close + nl;
        if (s.twoLists) {
            html += "<h2 id=\"body-hits\">本文に一致</h2>" + nl + open + nl + items + close + nl;
        }
    }
    if (s.related) {
        html += "<div class=\"related\"><h3>関連する検索</h3>";
        for (const char* more : {" 使い方", " 比較", " 無料", " 歴史"}) {
            html += "<a href=\"/find/search?q=" + escaped + Escape(Encode(more, s.code), s.plus) +
                    "\">" + kw + more + "</a> ";
        }
        html += "</div>" + nl;
    }
    if (s.next != Next::None && !s.scripted) {
        const std::string base = s.next == Next::Relative ? "search?q=" : "/find/search?q=";
        const std::string target =
            base + escaped + "&amp;lang=ja&amp;start=" + std::to_string(count);
        html += "<div class=\"pager\"><b>1</b> <a href=\"" + base + escaped +
                "&amp;lang=ja&amp;start=" + std::to_string(count) + "\">2</a> <a href=\"" + base +
                escaped + "&amp;lang=ja&amp;start=" + std::to_string(count * 2) + "\">3</a> ";
        if (s.next == Next::Text || s.next == Next::Relative) {
            html += "<a href=\"" + target + "\">次へ &raquo;</a>";
        }
        html += "</div>" + nl;
        if (s.next != Next::Relative) {
            page.next = "/find/search?q=" + escaped + "&lang=ja&start=" + std::to_string(count);
        }
    }
    html +=
        "<div class=\"footer\"><a href=\"/privacy\">プライバシー</a> <a href=\"/terms\">規約</a> "
        "<a href=\"/contact\">お問い合わせ</a></div>" +
        nl + "</body></html>" + nl;
    if (s.crlf) {
        std::string crlf;
        for (const char c : html) {
            if (c == '\n') {
                crlf += '\r';
            }
            crlf += c;
        }
        html = crlf;
    }
    page.bytes = Encode(html, s.code);
    return page;
}

std::vector<Style> Styles() {
    std::vector<Style> v;
    auto add = [&](const std::string& name, const std::function<void(Style&)>& set) {
        Style s;
        s.name = name;
        set(s);
        v.push_back(s);
    };
    add("dl/dt/dd", [](Style& s) { s.list = List::Dl; });
    add("ol/li", [](Style&) {});
    add("table rows", [](Style& s) { s.list = List::Table; });
    add("div cards", [](Style& s) { s.list = List::Cards; });
    add("ul, li unclosed", [](Style& s) { s.list = List::UlOpen; });
    add("no snippets", [](Style& s) { s.snippets = false; });
    add("some snippets", [](Style& s) {
        s.someSnippets = true;
        s.list = List::Dl;
    });
    add("<em> highlight", [](Style& s) { s.hl = "em"; });
    add("<strong class>", [](Style& s) {
        s.hl = "strong class=\"k\"";
        s.list = List::Cards;
    });
    add("<span class>", [](Style& s) {
        s.hl = "span class=\"hl\"";
        s.list = List::Table;
    });
    add("entities in titles", [](Style& s) { s.entities = true; });
    add("sponsored first", [](Style& s) { s.sponsored = true; });
    add("related searches", [](Style& s) {
        s.related = true;
        s.list = List::Cards;
    });
    add("navigation links", [](Style& s) {
        s.nav = true;
        s.list = List::Dl;
    });
    add("server-path links", [](Style& s) { s.links = Links::Path; });
    add("https full links", [](Style& s) {
        s.links = Links::Https;
        s.list = List::Cards;
    });
    add("next by link text", [](Style& s) { s.next = Next::Text; });
    add("next by offset", [](Style& s) {
        s.next = Next::Offset;
        s.list = List::Dl;
    });
    add("relative next link", [](Style& s) { s.next = Next::Relative; });
    add("EUC-JP", [](Style& s) {
        s.code = quennit::kKanjiEuc;
        s.list = List::Dl;
        s.links = Links::Path;
    });
    add("UTF-8 https", [](Style& s) {
        s.code = quennit::kKanjiUtf8;
        s.https = true;
        s.next = Next::Text;
    });
    add("CRLF", [](Style& s) {
        s.crlf = true;
        s.list = List::Table;
        s.next = Next::Text;
    });
    add("minified", [](Style& s) {
        s.minified = true;
        s.list = List::Cards;
        s.next = Next::Offset;
    });
    add("attribute order", [](Style& s) {
        s.attrOrder = true;
        s.list = List::Dl;
    });
    add("two lists", [](Style& s) { s.twoLists = true; });
    add("everything", [](Style& s) {
        s.code = quennit::kKanjiUtf8;
        s.sponsored = true;
        s.related = true;
        s.nav = true;
        s.entities = true;
        s.someSnippets = true;
        s.next = Next::Text;
        s.hl = "em";
        s.plus = true;
    });
    add("scripted (refuse)", [](Style& s) {
        s.scripted = true;
        s.refuse = true;
    });
    add("relative links (refuse)", [](Style& s) {
        s.links = Links::Relative;
        s.refuse = true;
    });
    return v;
}

}  // namespace

int main() {
    const std::vector<std::string> keywords = {"検索", "資料 集", "東京"};
    int entries = 0;
    int exact = 0;
    int foreign = 0;
    int pagingStyles = 0;
    int pagingRight = 0;
    int refusalsRight = 0;
    int refusals = 0;
    double slowest = 0;
    std::printf("%-24s %-7s %8s %8s %8s %6s\n", "style", "exit", "exact", "foreign", "next", "ms");
    for (const Style& style : Styles()) {
        const Page p1 = Make(style, keywords[0], 1);
        const Page p2 = Make(style, keywords[1], 2);
        const Page p3 = Make(style, keywords[2], 3);
        quennit::learn::LearnRequest request;
        request.url = p1.address;
        request.keyword = keywords[0];
        request.secondKeyword = keywords[1];
        request.page = p1.bytes;
        request.secondPage = p2.bytes;
        const auto started = std::chrono::steady_clock::now();
        const quennit::learn::LearnResult learned = quennit::learn::Learn(request);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count();
        slowest = std::max(slowest, ms);
        if (std::getenv("LEARN_EVAL_SHOW") != nullptr &&
            style.name == std::getenv("LEARN_EVAL_SHOW")) {
            std::printf("%s%s\n", learned.blockSjis.c_str(), learned.message.c_str());
            for (const auto& w : learned.warnings) {
                std::printf("warning: %s\n", w.c_str());
            }
        }
        if (style.refuse) {
            ++refusals;
            refusalsRight += learned.exitCode == 3 ? 1 : 0;
            std::printf("%-24s %-7d %8s %8s %8s %6.1f\n", style.name.c_str(), learned.exitCode, "-",
                        "-", "-", ms);
            continue;
        }
        entries += static_cast<int>(p3.truth.size());
        std::string next = "-";
        int ok = 0;
        int other = 0;
        if (learned.Learned()) {
            const quennit::PageExtract got =
                quennit::ExtractPage(p3.bytes, learned.site, learned.server);
            for (std::size_t i = 0; i < got.results.size(); ++i) {
                const auto& r = got.results[i];
                if (i < p3.truth.size() && r.m_strUrl == p3.truth[i].url &&
                    r.m_strTitle == p3.truth[i].title) {
                    ++ok;
                }
                if (std::none_of(p3.truth.begin(), p3.truth.end(),
                                 [&](const Truth& t) { return t.url == r.m_strUrl; })) {
                    ++other;
                }
            }
            if (!p3.next.empty() || style.next != Next::None) {
                ++pagingStyles;
                const bool right = got.nextUrl == p3.next;
                pagingRight += right ? 1 : 0;
                next = right ? "right" : "WRONG";
            }
        } else if (style.next != Next::None) {
            ++pagingStyles;
            next = "WRONG";
        }
        exact += ok;
        foreign += other;
        std::printf("%-24s %-7d %4d/%-3zu %8d %8s %6.1f%s\n", style.name.c_str(), learned.exitCode,
                    ok, p3.truth.size(), other, next.c_str(), ms,
                    learned.Learned() ? "" : ("  " + learned.message).c_str());
    }
    // Time for a large page: the busiest style with 500 KB of other markup.
    {
        const Style big = Styles()[25];
        Page p1 = Make(big, keywords[0], 1);
        Page p2 = Make(big, keywords[1], 2);
        std::string filler;
        while (filler.size() < 500000) {
            filler += "<div class=\"side\"><span>filler text</span><a href=\"/x\">x</a></div>\n";
        }
        for (Page* p : {&p1, &p2}) {
            p->bytes.insert(p->bytes.find("<form"), filler);
        }
        quennit::learn::LearnRequest request;
        request.url = p1.address;
        request.keyword = keywords[0];
        request.secondKeyword = keywords[1];
        request.page = p1.bytes;
        request.secondPage = p2.bytes;
        const auto started = std::chrono::steady_clock::now();
        const int code = quennit::learn::Learn(request).exitCode;
        std::printf(
            "\n%zu KB pages (%s): exit %d in %.0f ms\n", p1.bytes.size() / 1024, big.name.c_str(),
            code,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count());
    }
    std::printf(
        "\nexact entries: %d/%d (%.1f %%), entries that are not results: %d, "
        "next page right: %d/%d styles, refusals with exit 3: %d/%d, slowest %.1f ms\n",
        exact, entries, entries ? 100.0 * exact / entries : 0.0, foreign, pagingRight, pagingStyles,
        refusalsRight, refusals, slowest);
    return 0;
}
