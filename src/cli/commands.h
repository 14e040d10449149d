#pragma once

#include <string>
#include <vector>

#include "cli/output.h"
#include "platform/file_locations.h"

namespace quennit::cli {

// What the command line asked of each subcommand (main.cpp parses it).
struct CheckArgs {
    std::string sitesPath;  // empty: DefaultSiteFile()
    bool json = false;
};

struct ExtractArgs {
    std::string sitesPath;
    std::string site;  // a site number or a site name (UTF-8)
    std::string pagePath;
    Format format = Format::Tsv;
};

struct LearnArgs {
    std::string url;
    std::string keyword;
    std::string second;
    std::string pagePath;
    std::string secondPagePath;
    std::vector<std::string> examples;
    std::string name;
    std::string group;
    int maxCount = 0;
    std::string appendPath;
    Format format = Format::Tsv;  // Tsv: the block as text
    int timeoutSeconds = 20;
};

// Each subcommand returns the process exit code: 0 done, 1 a file could not
// be used.
int RunCheck(const CheckArgs& args);
int RunExtract(const ExtractArgs& args);
// learn: 0 learned, 1 a file, 2 bad input, 3 nothing provable.
int RunLearn(const LearnArgs& args);

// The files this program uses by the folder-or-installed rule, and the site
// file that check and search read when none is named.
FileLocations DefaultFiles();
std::string DefaultSiteFile();

}  // namespace quennit::cli
