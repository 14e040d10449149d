#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/search_result.h"
#include "sitedef/site_def.h"

namespace quennit {

// Most bytes of a page that a read keeps and a scan looks at.
inline constexpr unsigned kPageReadLimit = 655350;

// One page cut into results by a site's rules.
struct PageExtract {
    static constexpr int kNextLinkTooLong = 1;  // a page rule's capture was too long
    static constexpr int kFieldTooLong = -1;    // an entry's capture was: the page failed

    std::vector<SearchResult> results;  // in page order, as the window gets them
    std::string nextUrl;                // the next-page path, decoded; empty for none
    int status = 0;                     // 0, kNextLinkTooLong or kFieldTooLong
    // The site's run state after the page (not to be kept after kFieldTooLong).
    std::int32_t order = 0;
    std::int32_t hits = 0;
};

// The scan a search makes of one page, as a function of the page (it ends at
// its first NUL, as the page buffer does), the site (its rules, its result
// limit and its run state so far: order and hits continue from there) and
// the server a LOCAL link is put behind. The page rules find the next-page
// path; from STARTWORD on (up to ENDWORD, when the site has one) the entry
// rules cut one entry after another (link, title, description) until an
// entry has no link or the site's limit is reached. Nothing else is touched.
PageExtract ExtractPage(std::string_view page, const SiteDef& site, std::string_view server);

// A result as the window gets it: title and text cleaned by the site's
// rules (CleanText), then made UTF-8 with their character references
// decoded. The fields are in the code the rules ran in: UTF-8 for a UTF-8
// site, Shift_JIS otherwise.
SearchResult MakeResult(const SiteDef& site, std::int32_t order, const std::string& url,
                        const std::string& title, const std::string& text);

// Separators (tab, newline) become blanks, then the site's R_DEL rules
// delete their text.
void CleanText(const SiteDef& site, std::string& text);

}  // namespace quennit
