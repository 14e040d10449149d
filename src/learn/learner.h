#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/search_result.h"
#include "sitedef/site_def.h"

namespace quennit::learn {

// Learning a site block from a results page: the address and the keyword a
// user searched with in a browser go in; a site definition whose rules the
// search's own extraction proves on real pages comes out, or a clear reason
// why not. Used by `quennit-cli learn` and the window's 「サイトを追加」.

struct LearnRequest {
    std::string url;            // the results page's address, as the browser shows it
    std::string keyword;        // UTF-8, as typed
    std::string secondKeyword;  // UTF-8; empty: one is picked from the first page
    // Saved pages (bytes as the server sent them) instead of fetching.
    std::optional<std::string> page;
    std::optional<std::string> secondPage;
    std::vector<std::string> examples;  // titles the user sees (UTF-8)
    std::string name;                   // HOST_ID (UTF-8); empty: from the page's <title>
    std::string group;                  // HOST_GROUP (UTF-8); empty: none
    int maxCount = 0;                   // HOST_MAXCOUNT; 0: the site file's default
    std::uint32_t timeoutMs = 20000;    // fetching, as a search's time-out
};

// One page of the proof, as the search's extraction reads it.
struct ProofPage {
    std::string label;    // what page it is (Japanese: 最初のページ, 次のページ, …)
    std::string address;  // the address fetched, or the saved file's
    std::vector<SearchResult> entries;
    std::string nextUrl;  // UTF-8 for display; empty when none
};

struct LearnResult {
    // 0 learned; 1 a file or page that can't be read; 2 bad input (an
    // address without the keyword, a keyword the site's code can't hold);
    // 3 the page gives nothing the learner can prove.
    int exitCode = 0;
    std::string message;  // when not learned: what was missing and what to try (Japanese)
    SiteDef site;         // the learned definition (Shift_JIS, as a site file holds it)
    std::string server;   // its HOST_ADDR (Shift_JIS)
    // The block's lines in order, key and value, UTF-8 for display.
    std::vector<std::pair<std::string, std::string>> lines;
    std::string blockSjis;  // the block as the site file will hold it (LF line ends)
    std::vector<ProofPage> proof;
    std::vector<std::string> warnings;  // Japanese
    std::string verdict;                // one line (Japanese)

    bool Learned() const { return exitCode == 0; }
};

// Called with each step as it starts (Japanese: ページを取得しています,
// 規則を調べています, …), on the learning thread.
using LearnProgress = std::function<void(const std::string& step)>;

// Learns on the calling thread. Pages are fetched with the search's own
// HTTP client and request; a stop of the calling thread's search token
// (CurrentStopToken) ends a fetch at once and Learn then throws
// StopRequested.
LearnResult Learn(const LearnRequest& request, const LearnProgress& progress = {});

// Appends a learned block to a site file: Shift_JIS, in the file's own line
// ends, after a blank line and a comment line saying it was learned and from
// which address; every byte already there is kept, through a temporary file
// and a rename. False, with the reason (Japanese) in error and the file
// untouched, when the file is not a regular file or already has a site of
// the block's HOST_ID.
bool AppendBlock(const std::string& siteFile, const LearnResult& learned,
                 const std::string& address, std::string& error);

}  // namespace quennit::learn
