#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/extract.h"
#include "sitedef/site_def.h"

namespace quennit {

// The site doctor: why a site's page gives what it gives. Used by
// `quennit-cli check --fetch` (pages fetched) and `extract --explain`
// (a saved page); a pure function of the page, the site and the server.

// The character code a page declares: the charset parameter of the HTTP
// Content-Type header, else the first <meta charset> or <meta http-equiv
// content-type> of the page.
struct DeclaredCharset {
    enum class Source { None, Header, Meta };
    Source source = Source::None;
    std::string name;  // as written (ASCII); empty with Source::None
};
DeclaredCharset FindDeclaredCharset(std::string_view contentType, std::string_view page);

// The HOST_KANJI code a charset name stands for (kKanjiSjis, kKanjiEuc,
// kKanjiUtf8), 0 for ASCII (fits every site), nullopt for a code Quennit
// can't read a page in (ISO-2022-JP, Latin-1, ...).
std::optional<int> CharsetKanji(std::string_view name);

struct PageDiagnosis {
    enum class Marker { Unset, Found, Missing };

    DeclaredCharset charset;
    // The declared charset disagrees with HOST_KANJI, or names a code
    // Quennit can't read: the titles come out as mojibake, or not at all.
    bool charsetMismatch = false;
    Marker startWord = Marker::Unset;
    Marker endWord = Marker::Unset;
    PageExtract extract;  // the search's own scan (ExtractPage)
    // The first entry rule (1-based among the entry rules) whose marker
    // never occurs after STARTWORD (and before ENDWORD, when found); 0 when
    // every marker occurs. Only looked for when the page gave no entries.
    std::size_t missingRule = 0;
};

// The page as the search reads it (it ends at its first NUL), with the
// site's rules and the Content-Type header it came with (empty for a saved
// page).
PageDiagnosis DiagnosePage(std::string_view page, const SiteDef& site, std::string_view server,
                           std::string_view contentType);

}  // namespace quennit
