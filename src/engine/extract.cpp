#include <cstring>
#include <string_view>
#include <vector>

#include "engine/extract.h"

#include "engine/byte_search.h"
#include "engine/char_refs.h"
#include "engine/keyword.h"
#include "engine/search_session.h"
#include "platform/mbcs.h"
#include "platform/text_codec.h"

namespace quennit {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Rule values and markers behave as C strings: they end at a NUL byte.
std::string_view Marker(const SjisString& value) {
    return std::string_view(value.c_str());
}

// The page text that the scan sees.
class Page {
  public:
    explicit Page(std::string_view text) : m_text(text) {}

    std::size_t Size() const { return m_text.size(); }

    std::size_t Find(std::string_view marker, std::size_t from) const {
        if (marker.empty()) {
            return from;
        }
        if (from >= m_text.size()) {
            return npos;
        }
        return FindBytes(m_text.data(), m_text.size(), from, marker);
    }

    std::string_view Slice(std::size_t from, std::size_t to) const {
        return m_text.substr(from, to - from);
    }

  private:
    std::string_view m_text;
};

// The next occurrence of one marker from a cursor, remembered until the
// cursor passes it. A marker that is rare or absent on a page (the first
// entry rule's marker as the entry guard sees it, or a rule that never
// matches) would otherwise be searched for over the whole rest of the page
// for every entry; remembered, each stretch of the page is searched once per
// marker and the scan stays linear whatever the page.
class MarkerCursor {
  public:
    MarkerCursor(const Page& page, std::string_view marker) : m_page(&page), m_marker(marker) {}

    std::string_view Marker() const { return m_marker; }

    std::size_t NextFrom(std::size_t cursor) {
        const bool valid = m_searchedFrom != npos && m_searchedFrom <= cursor &&
                           (m_hit == npos || m_hit >= cursor);
        if (!valid) {
            m_searchedFrom = cursor;
            m_hit = m_page->Find(m_marker, cursor);
        }
        return m_hit;
    }

  private:
    const Page* m_page;
    std::string_view m_marker;
    std::size_t m_searchedFrom = npos;
    std::size_t m_hit = npos;
};

enum class EntryKey { Search, Url, Title, Text, TitleAdd, TextAdd, AddString, Other };

EntryKey Classify(const SjisString& key) {
    if (key == "SEARCH") {
        return EntryKey::Search;
    }
    if (key == "URL") {
        return EntryKey::Url;
    }
    if (key == "TITLE") {
        return EntryKey::Title;
    }
    if (key == "TEXT") {
        return EntryKey::Text;
    }
    if (key == "TITLEADD") {
        return EntryKey::TitleAdd;
    }
    if (key == "TEXTADD") {
        return EntryKey::TextAdd;
    }
    if (key == "ADDSTRING") {
        return EntryKey::AddString;
    }
    return EntryKey::Other;
}

// A UTF-8 site's rules, converted from the site file's Shift_JIS.
void RulesToUtf8(SiteDef& def) {
    def.m_strStartWord = SjisToUtf8(def.m_strStartWord);
    def.m_strEndWord = SjisToUtf8(def.m_strEndWord);
    for (RuleList* list : {&def.m_pageRules, &def.m_entryRules, &def.m_cleanRules}) {
        for (SiteRule& rule : *list) {
            rule.m_strValue = SjisToUtf8(rule.m_strValue);
        }
    }
}

struct EntryRule {
    EntryKey key;
    MarkerCursor marker;
};

// Byte length of the character that starts at b in the page's code.
std::size_t CharWidth(unsigned char b, int kanji) {
    if (kanji == kKanjiEuc) {
        return b >= 0x80 ? 2 : 1;
    }
    if (kanji == kKanjiUtf8) {
        return b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    }
    return IsSjisLeadByte(b) ? 2 : 1;
}

// Appends text to field, keeping the field within kFieldMax bytes and never
// ending it in the middle of a character.
void AppendCapped(std::string& field, std::string_view text, int kanji) {
    if (field.size() + text.size() <= kFieldMax) {
        field += text;
        return;
    }
    field += text;
    std::size_t i = 0;
    while (i < field.size()) {
        const std::size_t w = CharWidth(static_cast<unsigned char>(field[i]), kanji);
        if (i + w > kFieldMax) {
            break;
        }
        i += w;
    }
    field.resize(i);
}

}  // namespace

PageExtract ExtractPage(std::string_view page, const SiteDef& site, std::string_view server) {
    PageExtract out;
    SiteDef def = site;
    out.order = def.m_nOrder;
    out.hits = def.m_nHits;

    // A UTF-8 page is scanned as UTF-8, every character kept: the site
    // file's Shift_JIS markers and clean-up rules are converted for it.
    const int kanji = def.m_nKanji;
    page = page.substr(0, page.find('\0'));
    std::string cleaned;
    std::string host(server);
    if (kanji == kKanjiUtf8) {
        cleaned = Utf8PageClean(page, kPageReadLimit);
        page = cleaned;
        RulesToUtf8(def);
        host = SjisToUtf8(host);
    }

    const Page text(page);
    const bool euc = kanji == kKanjiEuc;
    std::string url;
    std::string title;
    std::string body;

    // Page rules: the next-page path.
    std::size_t cursor = 0;
    for (const SiteRule& rule : def.m_pageRules) {
        const std::string_view marker = Marker(rule.m_strValue);
        const std::size_t pos = text.Find(marker, cursor);
        if (pos == npos) {
            break;
        }
        if (rule.m_strKey != "T_SEARCH") {
            if (pos - cursor > kFieldMax) {
                // Only the next page is lost; the entries still stand.
                out.nextUrl.clear();
                out.status = PageExtract::kNextLinkTooLong;
                break;
            }
            if (rule.m_strKey == "T_NEXTURL") {
                out.nextUrl = DecodeLinkRefs(text.Slice(cursor, pos), kanji);
            }
        }
        cursor = pos + marker.size();
    }

    // Entries start at the start word (on it, not past it) and end where
    // the end word first follows it: a second list on the page is not theirs.
    bool scanEntries = true;
    cursor = 0;
    if (!Marker(def.m_strStartWord).empty()) {
        cursor = text.Find(Marker(def.m_strStartWord), 0);
        scanEntries = cursor != npos;
    }
    const std::size_t endWord = scanEntries && !Marker(def.m_strEndWord).empty()
                                    ? text.Find(Marker(def.m_strEndWord), cursor)
                                    : npos;
    const Page list(page.substr(0, endWord));
    const std::size_t length = list.Size();

    std::vector<EntryRule> rules;
    rules.reserve(def.m_entryRules.size());
    for (const SiteRule& rule : def.m_entryRules) {
        rules.push_back({Classify(rule.m_strKey), MarkerCursor(list, Marker(rule.m_strValue))});
    }

    while (scanEntries && cursor < length) {
        url.clear();
        title.clear();
        body.clear();
        for (std::size_t i = 0; i < rules.size(); ++i) {
            EntryRule& rule = rules[i];
            const std::string_view marker = rule.marker.Marker();
            if (rule.key == EntryKey::AddString) {
                AppendCapped(body, marker, kanji);
                continue;
            }
            const std::size_t pos = rule.marker.NextFrom(cursor);
            if (pos == npos) {
                if (rule.key == EntryKey::Search) {
                    break;
                }
                continue;
            }
            // The first rule's marker before this one means that this marker
            // belongs to a later entry: this entry ends here.
            if (i > 0) {
                const std::size_t next = rules[0].marker.NextFrom(cursor);
                if (next != npos && next < pos) {
                    break;
                }
            }
            if (rule.key != EntryKey::Search) {
                if (pos - cursor > kFieldMax) {
                    out.status = PageExtract::kFieldTooLong;
                    return out;
                }
                const std::string_view captured = list.Slice(cursor, pos);
                switch (rule.key) {
                    case EntryKey::Url:
                        url = captured;
                        break;
                    case EntryKey::Title:
                        title = captured;
                        break;
                    case EntryKey::Text:
                        body = captured;
                        break;
                    case EntryKey::TitleAdd:
                        AppendCapped(title, captured, kanji);
                        break;
                    case EntryKey::TextAdd:
                        AppendCapped(body, captured, kanji);
                        break;
                    default:
                        break;  // captured into the work buffer only: discarded
                }
            }
            cursor = pos + marker.size();
        }
        if (url.empty()) {
            break;  // an entry without a link ends the page
        }
        out.order += 10;
        out.hits += 1;
        if (euc) {
            title = EucToSjis(title);
            body = EucToSjis(body);
        }
        // A link reads as a browser reads it: "&amp;" is "&".
        url = DecodeLinkRefs(url, kanji);
        if (def.m_strLinkDv == "LOCAL") {
            std::string local = host;
            AppendCapped(local, url, kanji == kKanjiUtf8 ? kKanjiUtf8 : kKanjiSjis);
            url = std::move(local);
        }
        out.results.push_back(MakeResult(def, out.order, url, title, body));
        if (out.hits >= def.m_nMaxCount) {
            break;
        }
    }
    return out;
}

int CSearchSession::ExtractResults(const char* page, std::uint32_t site) {
    const auto def = m_sites.Lookup(site);
    if (!def) {
        return -1;
    }
    const auto conn = m_connMap.Lookup(site);
    const PageExtract extract = ExtractPage(page, *def, conn ? conn->m_strServer : SjisString());
    for (const SearchResult& result : extract.results) {
        m_filter.OnResult(site, result);
    }
    if (extract.status == PageExtract::kFieldTooLong) {
        return -1;  // the run state stays as it was
    }
    m_sites.StoreRunState(site, extract.order, extract.hits, extract.nextUrl);
    return extract.status == PageExtract::kNextLinkTooLong ? NEXT_LINK_TOO_LONG : 0;
}

}  // namespace quennit
