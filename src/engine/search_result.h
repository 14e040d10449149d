#pragma once

#include <cstdint>
#include <string>

#include "sitedef/site_def.h"

namespace quennit {

// One result entry as handed to the search's sink (OnResult). It lives
// on the sender's stack for the duration of the call; receivers copy.
// Its text is UTF-8, whatever the site's code, so that every character of
// the page reaches the screen; character references are decoded.
struct SearchResult {
    std::string m_strSiteName;
    std::string m_strUrl;  // without scheme; host already put in front for LOCAL sites
    std::string m_strTitle;
    std::string m_strText;
    std::int32_t m_nOrder = 0;
};

}  // namespace quennit
