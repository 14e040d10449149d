#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "learn/page_scan.h"

namespace quennit::learn {

// The text with ASCII letters in lower case.
std::string LowerAscii(std::string s);
// The text without blanks (space, tab, CR, LF) at either end.
std::string Trim(std::string s);

// A page as the learner reads it: the bytes a search scans (a UTF-8 page
// cleaned as the scan cleans it), its code and the request that gave it.
struct LearnPage {
    std::string bytes;
    int kanji = 0;
    std::string object;    // path and query; empty when not known
    std::string keyParam;  // the query parameter that carries the keyword
    ScannedPage scan;
};

LearnPage MakeLearnPage(std::string_view raw, int kanji, std::string object,
                        std::string keyParam = {});

// The main result list: the largest run of links of one tag path whose
// titles hold the keyword, on one page or (with a second) on both.
struct Induction {
    bool ok = false;
    std::string failure;  // Japanese
    std::string path;
    std::vector<std::size_t> records1;  // anchors of page 1 and page 2, in page order
    std::vector<std::size_t> records2;
    std::vector<std::string> titles;  // page 1's, UTF-8
};

// secondKeyword: page2's; empty when not known.
Induction FindList(const LearnPage& page1, const LearnPage* page2, const std::string& keyword,
                   const std::string& secondKeyword, const std::vector<std::string>& examples);

struct BlockHead {
    std::string name;  // UTF-8
    std::string server;
    std::string format;
    int kanji = 0;
    std::string group;  // UTF-8
    int maxCount = 0;
};

// The block whose rules the search's extraction proves on both pages:
// exactly the list's links, titles free of markup, the next page where
// the pages have one.
struct Block {
    bool ok = false;
    std::string failure;                                     // Japanese
    std::string text;                                        // Shift_JIS, LF line ends
    std::vector<std::pair<std::string, std::string>> lines;  // UTF-8
    std::vector<std::string> warnings;
};

Block InduceBlock(const BlockHead& head, const Induction& list, const LearnPage& page1,
                  const LearnPage& page2);

}  // namespace quennit::learn
