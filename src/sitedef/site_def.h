#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quennit {

// Shift_JIS bytes, compared byte for byte. The core never holds text in any
// other encoding; see platform/text_codec.h for the edges.
using SjisString = std::string;

// Most rules one list of one site keeps; further rules are ignored.
inline constexpr std::size_t kMaxRules = 30;

// Character codes of a site (HOST_KANJI).
inline constexpr int kKanjiEuc = 1;
inline constexpr int kKanjiSjis = 2;
inline constexpr int kKanjiUtf8 = 3;

// The code a HOST_KANJI value names: "EUC" anywhere (case matters) wins,
// then "UTF-8" or "UTF8" in any case; anything else is Shift_JIS.
int KanjiCode(std::string_view value);

struct SiteRule {
    SjisString m_strKey;
    SjisString m_strValue;  // carets already turned into line feeds
};

// The rules of one list in file order: only those the site has (a site
// file may hold hundreds of thousands of sites, most with few rules).
using RuleList = std::vector<SiteRule>;

// One site of the site definition file plus its per-search run state.
struct SiteDef {
    SjisString m_strHostId;
    SjisString m_strUrlFormat;
    int m_nKanji = 2;  // kKanjiEuc, kKanjiSjis or kKanjiUtf8
    SjisString m_strGroup;
    std::int32_t m_nMaxCount = 40;
    SjisString m_strLinkDv;
    int m_bEnabled = 1;
    RuleList m_pageRules;
    SjisString m_strStartWord;
    SjisString m_strEndWord;  // where the entries end; empty: the page's end
    RuleList m_entryRules;
    RuleList m_cleanRules;

    // Run state, written by the engine only.
    std::int32_t m_nOrder = 0;
    std::int32_t m_nHits = 0;
    SjisString m_strNextUrl;
};

// The list a rule's key selects: "T_…" page rules, "R_…" clean-up rules,
// any other non-empty key entry rules; an empty key none.
inline RuleList* RuleListFor(SiteDef& site, std::string_view key) {
    if (key.empty()) {
        return nullptr;
    }
    if (key.size() >= 2 && key[1] == '_' && (key[0] == 'T' || key[0] == 'R')) {
        return key[0] == 'T' ? &site.m_pageRules : &site.m_cleanRules;
    }
    return &site.m_entryRules;
}

// The one way a rule joins a site (the reader, tests, benchmarks and fuzz
// targets all build rules with it): appended to the list its key selects.
// False when that list already holds kMaxRules rules; the rule is then
// dropped. A rule with an empty key is dropped too (true).
inline bool AddRule(SiteDef& site, SjisString key, SjisString value) {
    RuleList* list = RuleListFor(site, key);
    if (list == nullptr) {
        return true;
    }
    if (list->size() >= kMaxRules) {
        return false;
    }
    list->push_back(SiteRule{std::move(key), std::move(value)});
    return true;
}

}  // namespace quennit
