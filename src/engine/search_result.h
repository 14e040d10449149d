#pragma once

#include <cstdint>

#include "sitedef/site_def.h"

namespace quennit {

// One result entry as handed to the window with WM_SEARCH_RESULT. It lives
// on the sender's stack for the duration of the message; receivers copy.
struct SearchResult {
    SjisString m_strSiteName;
    SjisString m_strUrl;  // without scheme; host already put in front for LOCAL sites
    SjisString m_strTitle;
    SjisString m_strText;
    std::int32_t m_nOrder = 0;
};

}  // namespace quennit
