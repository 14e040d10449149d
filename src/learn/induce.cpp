#include "learn/induce.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <map>
#include <optional>
#include <set>

#include "engine/char_refs.h"
#include "engine/extract.h"
#include "learn/request_format.h"
#include "platform/text_codec.h"
#include "sitedef/site_file.h"

namespace quennit::learn {

namespace {

constexpr std::size_t npos = std::string::npos;

// Bytes a marker may hold: printable ASCII that the site file keeps as it
// stands ('^' would become a line end) and that means the same in every code.
bool Markable(char c) {
    return c >= 0x20 && c < 0x7F && c != '^';
}

bool AllMarkable(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), Markable);
}

std::string_view Bytes(const LearnPage& page, std::size_t from, std::size_t to) {
    return std::string_view(page.bytes).substr(from, to - from);
}

std::string CommonSuffix(const std::vector<std::string_view>& texts) {
    if (texts.empty()) {
        return {};
    }
    std::size_t n = 0;
    const std::string_view first = texts.front();
    while (n < first.size() && Markable(first[first.size() - 1 - n])) {
        const char c = first[first.size() - 1 - n];
        if (!std::all_of(texts.begin(), texts.end(), [&](std::string_view t) {
                return t.size() > n && t[t.size() - 1 - n] == c;
            })) {
            break;
        }
        ++n;
    }
    return std::string(first.substr(first.size() - n));
}

// Text with its tags taken out, as UTF-8 with references decoded.
std::string PlainText(const LearnPage& page, std::size_t from, std::size_t to) {
    std::string bare;
    const std::string_view raw = Bytes(page, from, to);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '<') {
            const std::size_t end = raw.find('>', i);
            if (end == npos) {
                break;
            }
            i = end;
            continue;
        }
        bare += raw[i] == '\n' || raw[i] == '\r' || raw[i] == '\t' ? ' ' : raw[i];
    }
    return Trim(DecodeTextRefs(PageTextToUtf8(bare, page.kanji)));
}

std::string AnchorText(const LearnPage& page, const Anchor& a) {
    return PlainText(page, a.open.end, a.closeBegin);
}

std::string Href(const LearnPage& page, const Anchor& a) {
    return std::string(Bytes(page, a.open.hrefBegin, a.open.hrefEnd));
}

std::string PathOf(std::string link) {
    for (const std::string scheme : {"http://", "https://"}) {
        if (LowerAscii(link.substr(0, scheme.size())) == scheme) {
            const std::size_t slash = link.find('/', scheme.size());
            link = slash == npos ? "/" : link.substr(slash);
        }
    }
    return link.substr(0, link.find_first_of("?#"));
}

// Query parameters of a link ("&amp;" read as '&').
std::map<std::string, std::string> Params(std::string link) {
    for (std::size_t at; (at = link.find("&amp;")) != npos;) {
        link.replace(at, 5, "&");
    }
    std::map<std::string, std::string> out;
    const std::size_t q = link.find('?');
    if (q == npos) {
        return out;
    }
    std::size_t p = q + 1;
    while (p <= link.size()) {
        const std::size_t e = std::min(link.find_first_of("&;#", p), link.size());
        const std::string part = link.substr(p, e - p);
        const std::size_t eq = part.find('=');
        out[part.substr(0, eq)] = eq == npos ? "" : part.substr(eq + 1);
        if (e >= link.size() || link[e] == '#') {
            break;
        }
        p = e + 1;
    }
    return out;
}

// A link back to the search itself (related searches, other pages).
bool IsSearchLink(const LearnPage& page, const std::string& href) {
    if (href.empty() || href[0] == '?') {
        return true;
    }
    if (page.object.empty() || PathOf(href) != PathOf(page.object)) {
        return false;
    }
    return page.keyParam.empty() || Params(href).count(page.keyParam) != 0;
}

bool IsOtherLink(const std::string& href) {
    const std::string lower = LowerAscii(href.substr(0, 11));
    return href.empty() || href[0] == '#' || lower.rfind("javascript:", 0) == 0 ||
           lower.rfind("mailto:", 0) == 0;
}

bool Contains(const std::string& text, const std::string& keyword) {
    return LowerAscii(text).find(LowerAscii(keyword)) != npos;
}

struct Group {
    std::vector<std::size_t> anchors;
    int score = 0;
    int mentions = 0;  // entries that name the keyword
};

std::map<std::string, Group> Groups(const LearnPage& page, const std::string& keyword) {
    std::map<std::string, Group> groups;
    std::map<std::string, std::set<std::string>> seen;
    std::set<std::string> closed;  // a list ends at its first repeated link
    for (std::size_t i = 0; i < page.scan.anchors.size(); ++i) {
        const Anchor& a = page.scan.anchors[i];
        const std::string href = Href(page, a);
        if (IsOtherLink(href) || IsSearchLink(page, href) || closed.count(a.path) != 0) {
            continue;
        }
        if (seen[a.path].count(href) != 0) {
            closed.insert(a.path);
            continue;
        }
        const std::string text = AnchorText(page, a);
        if (text.empty()) {
            continue;
        }
        seen[a.path].insert(href);
        // Results speak of the keyword, in the title or in what follows it.
        std::size_t to = std::min(a.closeEnd + 600, page.bytes.size());
        if (i + 1 < page.scan.anchors.size()) {
            to = std::min(to, std::max(a.closeEnd, page.scan.anchors[i + 1].open.begin));
        }
        const bool mentions = keyword.empty() || Contains(text, keyword) ||
                              Contains(PlainText(page, a.closeEnd, to), keyword);
        Group& g = groups[a.path];
        g.anchors.push_back(i);
        g.score += 1 + (Contains(text, keyword) ? 2 : 0);
        g.mentions += mentions ? 1 : 0;
    }
    std::erase_if(groups, [](const auto& g) {
        return g.second.anchors.size() < 3 ||
               g.second.mentions * 2 < static_cast<int>(g.second.anchors.size());
    });
    return groups;
}

bool HasAll(const LearnPage& page, const Group& g, const std::vector<std::string>& examples) {
    return std::all_of(examples.begin(), examples.end(), [&](const std::string& e) {
        return std::any_of(g.anchors.begin(), g.anchors.end(), [&](std::size_t i) {
            return AnchorText(page, page.scan.anchors[i]) == Trim(e);
        });
    });
}

// ---- the block ----

using Lines = std::vector<std::pair<std::string, std::string>>;  // Shift_JIS values

std::string BlockText(const Lines& lines) {
    std::string text;
    for (const auto& [key, value] : lines) {
        text += key + (key.size() < 8 ? "\t\t" : "\t") + value + "\n";
    }
    return text;
}

struct Loaded {
    SiteDef site;
    std::string server;
};

Loaded Load(const std::string& text) {
    SiteTable table;
    Loaded out;
    LoadSiteText(text, table, [&out](std::uint32_t, const SjisString& s) { out.server = s; });
    out.site = table.Lookup(1).value_or(SiteDef{});
    out.site.m_nMaxCount = INT_MAX;  // the whole list, whatever the block's limit
    return out;
}

enum class LinkKind { Local, Http, Full };

struct Record {
    const LearnPage* page;
    const Anchor* a;
    std::size_t gapEnd;  // where what follows its link may hold its snippet
};

struct Snippet {
    std::string open;
    std::string close;
};

// The links the list's entries must give, as the extraction writes them.
std::vector<std::string> ExpectedUrls(const std::vector<Record>& records, const LearnPage& page,
                                      LinkKind kind, const std::string& server) {
    std::vector<std::string> urls;
    for (const Record& r : records) {
        if (r.page != &page) {
            continue;
        }
        std::string link = Href(page, *r.a);
        if (kind == LinkKind::Http) {
            link.erase(0, 7);
        }
        link = DecodeLinkRefs(link, page.kanji);
        if (kind == LinkKind::Local) {
            link = server + link;
        }
        urls.push_back(page.kanji == kKanjiUtf8 ? link : SjisToUtf8(link));
    }
    return urls;
}

bool Proves(const std::string& text, const LearnPage& page, const std::vector<std::string>& urls) {
    const Loaded loaded = Load(text);
    const PageExtract got = ExtractPage(page.bytes, loaded.site, loaded.server);
    if (got.status == PageExtract::kFieldTooLong || got.results.size() != urls.size()) {
        return false;
    }
    for (std::size_t i = 0; i < urls.size(); ++i) {
        const std::string& title = got.results[i].m_strTitle;
        if (got.results[i].m_strUrl != urls[i] || Trim(title).empty()) {
            return false;
        }
        for (std::size_t p = title.find('<'); p != npos; p = title.find('<', p + 1)) {
            if (p + 1 < title.size() &&
                (std::isalpha(static_cast<unsigned char>(title[p + 1])) != 0 ||
                 title[p + 1] == '/')) {
                return false;  // markup left in the title
            }
        }
    }
    return true;
}

// Tags (their bytes) of a page between two offsets.
std::vector<const Tag*> TagsIn(const LearnPage& page, std::size_t from, std::size_t to) {
    std::vector<const Tag*> out;
    const auto& tags = page.scan.tags;
    auto it = std::lower_bound(tags.begin(), tags.end(), from,
                               [](const Tag& t, std::size_t at) { return t.begin < at; });
    for (; it != tags.end() && it->end <= to; ++it) {
        out.push_back(&*it);
    }
    return out;
}

std::optional<Snippet> FindSnippet(const std::vector<Record>& records) {
    std::map<std::pair<std::string, std::string>, int> counts;
    std::vector<std::pair<std::string, std::string>> order;
    for (const Record& r : records) {
        std::set<std::pair<std::string, std::string>> here;
        const auto tags = TagsIn(*r.page, r.a->closeEnd, r.gapEnd);
        for (std::size_t i = 0; i < tags.size(); ++i) {
            const Tag& t = *tags[i];
            if (t.closing || t.name == "a" || t.name == "!--" || t.name == "br" ||
                t.name == "img" || t.name == "hr") {
                continue;
            }
            const std::string open(Bytes(*r.page, t.begin, t.end));
            if (!AllMarkable(open)) {
                continue;
            }
            for (std::size_t j = i + 1; j < tags.size(); ++j) {
                const Tag& c = *tags[j];
                if (c.name == "a") {
                    break;  // a snippet holds no links
                }
                if (c.closing && c.name == t.name) {
                    const std::string close(Bytes(*r.page, c.begin, c.end));
                    if (!PlainText(*r.page, t.end, c.begin).empty() && AllMarkable(close)) {
                        const auto key = std::make_pair(open, close);
                        if (here.insert(key).second && counts[key]++ == 0) {
                            order.push_back(key);
                        }
                    }
                    break;
                }
            }
        }
    }
    std::optional<Snippet> best;
    int bestCount = std::max<int>(2, static_cast<int>(records.size() + 1) / 2) - 1;
    for (const auto& key : order) {
        if (counts[key] > bestCount) {
            bestCount = counts[key];
            best = Snippet{key.first, key.second};
        }
    }
    return best;
}

// Where a record's link and snippet end.
std::size_t RecordEnd(const Record& r, const std::optional<Snippet>& snippet) {
    if (snippet) {
        const std::size_t open = r.page->bytes.find(snippet->open, r.a->closeEnd);
        if (open != npos && open < r.gapEnd) {
            const std::size_t close = r.page->bytes.find(snippet->close, open);
            if (close != npos) {
                return close + snippet->close.size();
            }
        }
    }
    return r.a->closeEnd;
}

// The first link's text says "next", or its query differs from the page's
// own only by a larger number.
std::optional<std::size_t> NextLink(const LearnPage& page) {
    static const std::set<std::string> kArrows = {"›", "»", ">", ">>", "≫", "次", "次へ"};
    const auto& anchors = page.scan.anchors;
    for (std::size_t i = 0; i < anchors.size(); ++i) {
        if (anchors[i].closeBegin - anchors[i].open.end > 64) {
            continue;  // no "next" says that much
        }
        const std::string text = AnchorText(page, anchors[i]);
        const std::string lower = LowerAscii(text);
        if (anchors[i].open.rel.find("next") != npos || kArrows.count(text) != 0 ||
            text.rfind("次へ", 0) == 0 || text.rfind("次の", 0) == 0 ||
            lower.rfind("next", 0) == 0) {
            return i;
        }
    }
    if (page.object.empty()) {
        return std::nullopt;
    }
    const auto own = Params(page.object);
    std::optional<std::size_t> best;
    long bestStep = LONG_MAX;
    for (std::size_t i = 0; i < anchors.size(); ++i) {
        const std::string href = Href(page, anchors[i]);
        if (!IsSearchLink(page, href) || href.empty() || href[0] == '?') {
            continue;
        }
        for (const auto& [key, value] : Params(href)) {
            if (value.empty() || value.size() > 9 ||
                value.find_first_not_of("0123456789") != std::string::npos) {
                continue;
            }
            const auto mine = own.find(key);
            const long current =
                mine == own.end() || mine->second.empty() ||
                        mine->second.find_first_not_of("0123456789") != std::string::npos
                    ? 0
                    : std::stol(mine->second);
            const long step = std::stol(value) - current;
            if (step > 0 && step < bestStep && (mine != own.end() || own.count(key) == 0)) {
                bestStep = step;
                best = i;
            }
        }
    }
    return best;
}

struct NextSpot {
    const LearnPage* page;
    std::size_t begin;  // the server path's first byte
    std::size_t end;
};

// Page rules whose first matches lead to each page's next link.
std::optional<Lines> PageRules(const std::vector<NextSpot>& spots,
                               const std::vector<const LearnPage*>& without) {
    const NextSpot& s0 = spots.front();
    const std::string_view bytes0 = s0.page->bytes;
    const char end = bytes0[s0.end];
    if (!Markable(end) || std::any_of(spots.begin(), spots.end(), [&](const NextSpot& s) {
            return s.page->bytes[s.end] != end;
        })) {
        return std::nullopt;
    }
    // The shortest marker ending at the link that first occurs there, from
    // a cursor on each page.
    auto lead = [&](const std::vector<std::size_t>& from) -> std::string {
        // A marker from a tag's start first; one from an attribute only then.
        for (const char first : {'<', ' '})
            for (std::size_t length = 1; length <= 200 && length <= s0.begin; ++length) {
                const std::string_view m = bytes0.substr(s0.begin - length, length);
                if (!Markable(m.front())) {
                    break;
                }
                if (m.front() != first) {
                    continue;
                }
                bool ok = true;
                for (std::size_t k = 0; k < spots.size() && ok; ++k) {
                    const NextSpot& s = spots[k];
                    // The first link it leads to may be another one to the same page.
                    const std::string_view bytes = s.page->bytes;
                    const std::string_view link = bytes.substr(s.begin, s.end - s.begin + 1);
                    const std::size_t found = bytes.find(m, from[k]);
                    ok = s.begin >= length && bytes.substr(s.begin - length, length) == m &&
                         found != npos && bytes.substr(found + length, link.size()) == link;
                }
                if (ok) {
                    return std::string(m.front() == ' ' ? m.substr(1) : m);
                }
            }
        return {};
    };
    auto valid = [&](const Lines& rules) {
        std::string text = "HOST_ID\tx\n" + BlockText(rules);
        for (const NextSpot& s : spots) {
            const Loaded l = Load(text);
            const std::string want = DecodeLinkRefs(Bytes(*s.page, s.begin, s.end), s.page->kanji);
            if (ExtractPage(s.page->bytes, l.site, "").nextUrl != want) {
                return false;
            }
        }
        return std::all_of(without.begin(), without.end(), [&](const LearnPage* p) {
            return ExtractPage(p->bytes, Load(text).site, "").nextUrl.empty();
        });
    };
    const std::string end1(1, end);
    if (const std::string m = lead(std::vector<std::size_t>(spots.size(), 0)); !m.empty()) {
        Lines rules = {{"T_SEARCH", m}, {"T_NEXTURL", end1}};
        if (valid(rules)) {
            return rules;
        }
    }
    // A tag before the link that stands first where it is, then the link.
    const auto tags = TagsIn(*s0.page, s0.begin > 400 ? s0.begin - 400 : 0, s0.begin);
    for (auto it = tags.rbegin(); it != tags.rend(); ++it) {
        const std::string tag(Bytes(*s0.page, (*it)->begin, (*it)->end));
        if (!AllMarkable(tag)) {
            continue;
        }
        std::vector<std::size_t> from;
        for (const NextSpot& s : spots) {
            const std::size_t at = s.page->bytes.find(tag);
            from.push_back(at == npos || at > s.begin ? npos : at + tag.size());
        }
        if (std::find(from.begin(), from.end(), npos) != from.end()) {
            continue;
        }
        if (const std::string m = lead(from); !m.empty()) {
            Lines rules = {{"T_SEARCH", tag}, {"T_SEARCH", m}, {"T_NEXTURL", end1}};
            if (valid(rules)) {
                return rules;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

LearnPage MakeLearnPage(std::string_view raw, int kanji, std::string object, std::string keyParam) {
    LearnPage page;
    raw = raw.substr(0, std::min<std::size_t>(raw.find('\0'), kPageReadLimit));
    page.bytes = kanji == kKanjiUtf8 ? Utf8PageClean(raw, kPageReadLimit) : std::string(raw);
    page.kanji = kanji;
    page.object = std::move(object);
    page.keyParam = std::move(keyParam);
    page.scan = ScanPage(page.bytes);
    return page;
}

Induction FindList(const LearnPage& page1, const LearnPage* page2, const std::string& keyword,
                   const std::string& secondKeyword, const std::vector<std::string>& examples) {
    Induction out;
    auto groups1 = Groups(page1, keyword);
    if (!examples.empty()) {
        std::erase_if(groups1, [&](const auto& g) { return !HasAll(page1, g.second, examples); });
        if (groups1.empty()) {
            out.failure =
                "例に挙げた題名を全部含む、3 件以上のリンクの一覧がページに見つかりません。"
                "題名をページに表示されているとおりに指定してください。";
            return out;
        }
    }
    if (groups1.empty()) {
        out.failure =
            "同じ形のリンクが 3 件以上並ぶ結果の一覧がページに見つかりません "
            "(結果がスクリプトで作られるページかもしれません)。"
            "ブラウザーで保存したページ (--page)、--example、別のキーワードを試してください。";
        return out;
    }
    std::map<std::string, Group> groups2;
    if (page2 != nullptr) {
        groups2 = Groups(*page2, secondKeyword);
    }
    int best = -1;
    for (const auto& [path, g] : groups1) {
        int score = g.score;
        if (page2 != nullptr) {
            const auto other = groups2.find(path);
            if (other == groups2.end()) {
                continue;
            }
            score += other->second.score;
        }
        if (score > best) {
            best = score;
            out.path = path;
        }
    }
    if (best < 0) {
        out.failure =
            "2 つ目のページに、最初のページと同じ形の結果の一覧 (3 件以上) が見つかりません。"
            "結果の多い別のキーワードを --second で試してください。";
        return out;
    }
    out.records1 = groups1[out.path].anchors;
    if (page2 != nullptr) {
        out.records2 = groups2[out.path].anchors;
    }
    for (const std::size_t i : out.records1) {
        out.titles.push_back(AnchorText(page1, page1.scan.anchors[i]));
    }
    out.ok = true;
    return out;
}

Block InduceBlock(const BlockHead& head, const Induction& list, const LearnPage& page1,
                  const LearnPage& page2) {
    Block block;
    std::vector<Record> records;
    for (const auto& [page, indices] :
         {std::pair{&page1, &list.records1}, std::pair{&page2, &list.records2}}) {
        for (std::size_t k = 0; k < indices->size(); ++k) {
            const Anchor& a = page->scan.anchors[(*indices)[k]];
            std::size_t gapEnd = std::min(a.closeEnd + 1500, page->bytes.size());
            if (k + 1 < indices->size()) {
                gapEnd = page->scan.anchors[(*indices)[k + 1]].open.begin;
            } else {
                for (const Anchor& later : page->scan.anchors) {
                    if (later.open.begin >= a.closeEnd) {
                        gapEnd = std::min(gapEnd, later.open.begin);
                        break;
                    }
                }
            }
            records.push_back({page, &a, gapEnd});
        }
    }

    // How the links are written decides what a marker must take in.
    std::set<LinkKind> kinds;
    for (const Record& r : records) {
        const std::string href = Href(*r.page, *r.a);
        if (href.rfind("http://", 0) == 0) {
            kinds.insert(LinkKind::Http);
        } else if (href.rfind("https://", 0) == 0) {
            kinds.insert(LinkKind::Full);
        } else if (href.rfind("/", 0) == 0 && href.rfind("//", 0) != 0) {
            kinds.insert(LinkKind::Local);
        } else {
            block.failure =
                "結果のリンク (" + SjisToUtf8(href) +
                " など) がページからの相対アドレスで、規則では完全なアドレスにできません。";
            return block;
        }
    }
    if (kinds.count(LinkKind::Local) != 0 && kinds.size() > 1) {
        block.failure =
            "結果のリンクにサーバー内のパスと完全なアドレスが混ざっていて、一つの規則にできません"
            "。";
        return block;
    }
    const LinkKind kind = kinds.size() == 1 ? *kinds.begin() : LinkKind::Full;
    const std::string linkPrefix = kind == LinkKind::Http ? "http://" : "";

    // Pieces every entry shares.
    std::vector<std::string_view> before;
    std::vector<std::string_view> tagParts;
    std::vector<std::string_view> afterParts;
    std::set<std::string_view> closeParts;
    const LearnPage* previousPage = nullptr;
    std::size_t previousEnd = 0;
    for (const Record& r : records) {
        if (r.page != previousPage) {
            previousEnd = 0;
            previousPage = r.page;
        }
        const std::size_t from =
            std::max(previousEnd, r.a->open.begin > 160 ? r.a->open.begin - 160 : 0);
        before.push_back(Bytes(*r.page, from, r.a->open.begin));
        tagParts.push_back(Bytes(*r.page, r.a->open.begin, r.a->open.hrefBegin));
        afterParts.push_back(Bytes(*r.page, r.a->open.hrefEnd, r.a->open.end));
        closeParts.insert(Bytes(*r.page, r.a->closeBegin, r.a->closeEnd));
        previousEnd = r.a->closeEnd;
    }
    std::string start = CommonSuffix(before);
    start.erase(0, std::min(start.find('<'), start.size()));
    const bool sameTag = std::all_of(tagParts.begin(), tagParts.end(),
                                     [&](std::string_view t) { return t == tagParts.front(); }) &&
                         AllMarkable(tagParts.front());
    std::string hrefLead = CommonSuffix(tagParts);
    hrefLead.erase(0, hrefLead.rfind(' ') == npos ? 0 : hrefLead.rfind(' ') + 1);
    const bool sameAfter =
        std::all_of(afterParts.begin(), afterParts.end(),
                    [&](std::string_view t) { return t == afterParts.front(); }) &&
        AllMarkable(afterParts.front());
    const bool sameQuote =
        std::all_of(afterParts.begin(), afterParts.end(), [&](std::string_view t) {
            return !t.empty() && !afterParts.front().empty() && t[0] == afterParts.front()[0] &&
                   Markable(t[0]);
        });
    if (closeParts.size() != 1 || !AllMarkable(*closeParts.begin()) || (!sameAfter && !sameQuote) ||
        (!sameTag && hrefLead.empty())) {
        block.failure = "結果のリンクの書き方が項目ごとに違い、共通の目印が見つかりません。";
        return block;
    }
    const std::optional<Snippet> snippet = FindSnippet(records);

    // Clean-up: the fixed markup inside titles and snippets.
    std::vector<std::string> deletes;
    auto collect = [&](const LearnPage& page, std::size_t from, std::size_t to) {
        for (const Tag* t : TagsIn(page, from, to)) {
            const std::string tag(Bytes(page, t->begin, t->end));
            if (AllMarkable(tag) &&
                std::find(deletes.begin(), deletes.end(), tag) == deletes.end() &&
                deletes.size() < kMaxRules) {
                deletes.push_back(tag);
            }
        }
    };
    for (const Record& r : records) {
        collect(*r.page, r.a->open.end, r.a->closeBegin);
        if (snippet) {
            const std::size_t open = r.page->bytes.find(snippet->open, r.a->closeEnd);
            const std::size_t close =
                open == npos ? npos : r.page->bytes.find(snippet->close, open);
            if (open < r.gapEnd && close != npos) {
                collect(*r.page, open + snippet->open.size(), close);
            }
        }
    }

    // The head of the block.
    Lines head1 = {
        {"HOST_ID", Utf8ToSjisReplacing(head.name, "?")},
        {"HOST_ADDR", head.server},
        {"HOST_URL_FORMAT", head.format},
        {"HOST_KANJI", head.kanji == kKanjiUtf8  ? "UTF-8"
                       : head.kanji == kKanjiEuc ? "EUC-JP"
                                                 : "Shift_JIS"},
    };
    if (!head.group.empty()) {
        head1.emplace_back("HOST_GROUP", Utf8ToSjisReplacing(head.group, "?"));
    }
    if (head.maxCount > 0) {
        head1.emplace_back("HOST_MAXCOUNT", std::to_string(head.maxCount));
    }
    if (kind == LinkKind::Local) {
        head1.emplace_back("HOST_LINKDV", "LOCAL");
    }

    // Candidate bounds: tags between the list and the links before and after it.
    auto bounds = [&](const LearnPage& page, const std::vector<std::size_t>& idx, bool atStart) {
        std::vector<std::string> out;
        const Anchor& edge = page.scan.anchors[atStart ? idx.front() : idx.back()];
        std::size_t from = 0;
        std::size_t to = page.bytes.size();
        if (atStart) {
            to = edge.open.begin;
            for (const Anchor& a : page.scan.anchors) {
                if (a.closeEnd <= to) {
                    from = a.closeEnd;
                }
            }
        } else {
            from = edge.closeEnd;
            for (const Record& r : records) {
                if (r.a == &edge) {
                    from = RecordEnd(r, snippet);
                }
            }
            for (const Anchor& a : page.scan.anchors) {
                if (a.open.begin >= from) {
                    to = a.open.begin;
                    break;
                }
            }
            to = std::min(to, from + 3000);
        }
        auto tags = TagsIn(page, from, to);
        if (atStart) {
            std::reverse(tags.begin(), tags.end());
        }
        for (const Tag* t : tags) {
            const std::string tag(Bytes(page, t->begin, t->end));
            if (AllMarkable(tag) && std::find(out.begin(), out.end(), tag) == out.end() &&
                out.size() < 8) {
                out.push_back(tag);
            }
        }
        return std::make_pair(out, std::make_pair(from, to));
    };
    const auto [starts1, startRange1] = bounds(page1, list.records1, true);
    const auto [ends1, endRange1] = bounds(page1, list.records1, false);
    const auto startRange2 = bounds(page2, list.records2, true).second;
    const auto endRange2 = bounds(page2, list.records2, false).second;
    std::vector<std::string> starts = {""};
    for (const std::string& s : starts1) {
        const std::size_t a1 = page1.bytes.find(s);
        const std::size_t a2 = page2.bytes.find(s);
        if (a1 >= startRange1.first && a1 < startRange1.second && a2 >= startRange2.first &&
            a2 < startRange2.second) {
            starts.push_back(s);
        }
    }

    const std::vector<std::string> urls1 = ExpectedUrls(records, page1, kind, head.server);
    const std::vector<std::string> urls2 = ExpectedUrls(records, page2, kind, head.server);

    // Record starts from the most specific to none.
    std::vector<std::string> leads;
    for (std::size_t p = 0; p < start.size(); p = start.find('<', p + 1)) {
        leads.push_back(start.substr(p));
        if (start.find('<', p + 1) == npos) {
            break;
        }
    }
    leads.push_back("");

    for (const std::string& lead : leads) {
        Lines entry;
        if (sameTag) {
            entry.emplace_back("SEARCH", lead + std::string(tagParts.front()) + linkPrefix);
        } else {
            if (!lead.empty()) {
                entry.emplace_back("SEARCH", lead);
            }
            entry.emplace_back("SEARCH", hrefLead + linkPrefix);
        }
        if (sameAfter) {
            entry.emplace_back("URL", std::string(afterParts.front()));
        } else {
            entry.emplace_back("URL", std::string(1, afterParts.front()[0]));
            entry.emplace_back("SEARCH", ">");
        }
        entry.emplace_back("TITLE", std::string(*closeParts.begin()));
        if (snippet) {
            entry.emplace_back("SEARCH", snippet->open);
            entry.emplace_back("TEXT", snippet->close);
        }
        for (const std::string& d : deletes) {
            entry.emplace_back("R_DEL", d);
        }
        for (const std::string& startWord : starts) {
            std::vector<std::string> ends = {""};
            for (const std::string& e : ends1) {
                const std::size_t s1 = startWord.empty() ? 0 : page1.bytes.find(startWord);
                const std::size_t s2 = startWord.empty() ? 0 : page2.bytes.find(startWord);
                if (page1.bytes.find(e, s1) >= endRange1.first &&
                    page2.bytes.find(e, s2) >= endRange2.first) {
                    ends.push_back(e);
                }
            }
            for (const std::string& endWord : ends) {
                Lines bounded;
                if (!startWord.empty()) {
                    bounded.emplace_back("STARTWORD", startWord);
                }
                if (!endWord.empty()) {
                    bounded.emplace_back("ENDWORD", endWord);
                }
                bounded.insert(bounded.end(), entry.begin(), entry.end());
                Lines all = head1;
                all.insert(all.end(), bounded.begin(), bounded.end());
                if (!Proves(BlockText(all), page1, urls1) ||
                    !Proves(BlockText(all), page2, urls2)) {
                    continue;
                }
                // The next page, where the pages have one.
                Lines paging;
                std::vector<NextSpot> spots;
                std::vector<const LearnPage*> without;
                bool relative = false;
                for (const LearnPage* page : {&page1, &page2}) {
                    const auto next = NextLink(*page);
                    if (!next) {
                        without.push_back(page);
                        continue;
                    }
                    const Anchor& a = page->scan.anchors[*next];
                    std::size_t begin = a.open.hrefBegin;
                    const std::string href = Href(*page, a);
                    const std::string server = LowerAscii(head.server);
                    const std::string full =
                        server.rfind("https://", 0) == 0 ? server : "http://" + server;
                    if (LowerAscii(href.substr(0, full.size())) == full &&
                        href.size() > full.size() && href[full.size()] == '/') {
                        begin += full.size();
                    } else if (href.empty() || href[0] != '/' || href.rfind("//", 0) == 0) {
                        relative = true;
                        continue;
                    }
                    spots.push_back({page, begin, a.open.hrefEnd});
                }
                if (relative) {
                    block.warnings.push_back(
                        "次のページへのリンクがページからの相対アドレスか別のサーバーのアドレスなの"
                        "で、"
                        "次のページの規則は作りませんでした "
                        "(要求にはサーバー内のパスが要ります)。");
                } else if (!spots.empty()) {
                    if (auto rules = PageRules(spots, without)) {
                        paging = *rules;
                    } else {
                        block.warnings.push_back(
                            "次のページへのリンクは見つかりましたが、それだけを指す目印が作れません"
                            "でした。"
                            "次のページの規則はありません。");
                    }
                }
                Lines lines = head1;
                lines.insert(lines.end(), paging.begin(), paging.end());
                lines.insert(lines.end(), bounded.begin(), bounded.end());
                block.text = BlockText(lines);
                for (const auto& [key, value] : lines) {
                    block.lines.emplace_back(key, SjisToUtf8(value));
                }
                block.ok = true;
                return block;
            }
        }
    }
    block.failure =
        "一覧の項目だけを取り出す規則が見つかりませんでした "
        "(両方のページで確かめられる目印がありません)。"
        "--example で結果の題名を挙げるか、別のキーワードを試してください。";
    return block;
}

std::string LowerAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string Trim(std::string s) {
    static const std::string kBlank = " \t\r\n";
    s.erase(0, s.find_first_not_of(kBlank));
    s.erase(s.find_last_not_of(kBlank) + 1);
    return s;
}

}  // namespace quennit::learn
