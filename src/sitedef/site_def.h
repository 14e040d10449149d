#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quennit {

// Shift_JIS bytes, compared byte for byte. The core never holds text in any
// other encoding; see platform/text_codec.h for the edges.
using SjisString = std::string;

// Most rules one list of one site keeps; further rules are ignored.
inline constexpr int kMaxRules = 30;

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

using RuleList = std::array<SiteRule, kMaxRules>;

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
    int m_nPageRules = 0;
    SjisString m_strStartWord;
    RuleList m_entryRules;
    int m_nEntryRules = 0;
    RuleList m_cleanRules;
    int m_nCleanRules = 0;

    // Run state, written by the engine only.
    std::int32_t m_nOrder = 0;
    std::int32_t m_nHits = 0;
    SjisString m_strNextUrl;
};

}  // namespace quennit
