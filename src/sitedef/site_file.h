#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sitedef/site_table.h"

namespace quennit {

// Something the reader noticed that a site-file author should know about.
// The reader itself never fails on content; these only feed the checker.
struct SiteFileNote {
    enum class Kind {
        RuleBeyondLimit,  // a rule after the 30th of its list: ignored
        BeforeFirstSite,  // a per-site key or rule before the first HOST_ID
        ByteOrderMark,    // the file starts with a UTF-8 byte-order mark
        LostSite,         // a HOST_ID line hidden by that mark: key is the site's name
        BareCr,           // the first line holding a CR that ends no line
        Utf8Text,         // the file is UTF-8 text: line is its first non-ASCII line
        SpacedKey,        // a key followed by spaces, not a TAB: key is the key
    };
    Kind kind;
    long line;           // 1-based line number
    std::uint32_t site;  // site the line belongs to (0 before the first)
    SjisString key;
};

// Receives the HOST_ADDR of a site (the connection table's SetServer).
using ServerSink = std::function<void(std::uint32_t site, const SjisString& server)>;

// Empties the table and fills it from the file at path. Returns false, with
// the system's description of the failure in error, when the file cannot be
// opened; the table is then left untouched. A read error after opening also
// returns false; the table then holds the sites read so far.
bool LoadSiteFile(const std::string& path, SiteTable& table, const ServerSink& setServer,
                  std::string& error, std::vector<SiteFileNote>* notes = nullptr);

// The same for a site file's bytes already in memory.
void LoadSiteText(std::string_view text, SiteTable& table, const ServerSink& setServer,
                  std::vector<SiteFileNote>* notes = nullptr);

}  // namespace quennit
