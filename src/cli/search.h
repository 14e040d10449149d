#pragma once

#include <string>

#include "cli/output.h"

namespace quennit::cli {

struct SearchArgs {
    std::string sitesPath;         // empty: DefaultSiteFile()
    std::string group;             // Shift_JIS; empty: every enabled site
    unsigned timeoutSeconds = 20;  // 0: no time-out
    int retry = 1;
    Format format = Format::Tsv;
    bool multi = false;  // several sites at a time
    int jobs = 6;        // with multi: most sites at a time
    bool summary = false;
    std::string keyword;  // Shift_JIS
};

// `quennit-cli search`: results go to stdout as they arrive, status and error
// lines to stderr as the window's status line shows them. Returns 0 when the
// run completed, 1 when the site file can't be loaded and 130 when stopped
// with Ctrl-C.
int RunSearch(const SearchArgs& args);

}  // namespace quennit::cli
