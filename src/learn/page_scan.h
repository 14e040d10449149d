#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quennit::learn {

// A tag of a page, by byte offsets: site rules are byte markers, so the
// learner needs where each tag and attribute value stands in the bytes a
// search scans, not a cleaned-up tree.
struct Tag {
    std::size_t begin = 0;  // at '<'
    std::size_t end = 0;    // past '>'
    std::string name;       // lower case, without '/'
    bool closing = false;
    std::size_t hrefBegin = 0;  // the href value's bytes (quotes excluded), when hasHref
    std::size_t hrefEnd = 0;
    bool hasHref = false;
    std::string rel;  // lower case
};

// A link of the page with the tag path that leads to it.
struct Anchor {
    Tag open;
    std::size_t closeBegin = 0;  // at "</a"
    std::size_t closeEnd = 0;
    std::string path;  // ancestors as name.class#id, digits dropped: the list it belongs to
};

struct ScannedPage {
    std::vector<Tag> tags;  // in page order (comments, scripts and styles skipped)
    std::vector<Anchor> anchors;
};

ScannedPage ScanPage(std::string_view page);

}  // namespace quennit::learn
