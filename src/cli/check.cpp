// quennit-cli check: describe a site definition file and warn about likely
// mistakes, so that site-file authors see what the program will make of it.
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/output.h"
#include "engine/search_session.h"
#include "platform/http_client.h"

namespace quennit::cli {

namespace {

struct SiteInfo {
    std::uint32_t number = 0;
    SiteDef def;
    SjisString server;
};

// Problems in a request format: no "%s" (the keyword is never sent) or a
// '%' that is neither "%s" nor "%%" (sent literally).
std::vector<std::string> FormatProblems(std::string_view format) {
    std::vector<std::string> problems;
    bool hasKeyword = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            continue;
        }
        if (i + 1 < format.size() && (format[i + 1] == 's' || format[i + 1] == '%')) {
            hasKeyword = hasKeyword || format[i + 1] == 's';
            ++i;
            continue;
        }
        problems.push_back("request format has '" + std::string(format.substr(i, 2)) +
                           "', which is sent as it stands (write a literal percent sign as %%)");
    }
    if (!hasKeyword && !format.empty()) {
        problems.insert(problems.begin(), "request format has no %s, so the keyword is not sent");
    }
    return problems;
}

// "http" or "https" as the site is asked, or the unknown scheme as written.
std::string SchemeName(const SjisString& server) {
    const SchemeSplit split = SplitScheme(server);
    switch (split.scheme) {
        case Scheme::Https:
            return "https";
        case Scheme::Other:
            return Utf8(SjisString(split.name));
        default:
            return "http";
    }
}

// HOST_ADDR is a host with an optional port, after an optional scheme.
std::vector<std::string> AddrProblems(const SjisString& server) {
    std::vector<std::string> problems;
    const SchemeSplit split = SplitScheme(server);
    if (split.scheme == Scheme::Other) {
        problems.push_back("HOST_ADDR has the scheme '" + Utf8(SjisString(split.name)) +
                           "://', which can't be asked (only http:// and https://)");
    }
    if (const auto path = split.rest.find_first_of("/?#"); path != std::string_view::npos) {
        problems.push_back("HOST_ADDR has a path ('" + Utf8(SjisString(split.rest.substr(path))) +
                           "'); write only the host and port there, the path belongs in "
                           "HOST_URL_FORMAT");
    }
    return problems;
}

const char* KanjiName(int kanji) {
    return kanji == kKanjiEuc ? "EUC-JP" : kanji == kKanjiUtf8 ? "UTF-8" : "Shift_JIS";
}

std::string SiteLabel(const SiteInfo& site) {
    return "site " + std::to_string(site.number) + " \"" + Utf8(site.def.m_strHostId) + "\"";
}

std::vector<std::string> CollectWarnings(const std::vector<SiteInfo>& sites,
                                         const std::vector<SiteFileNote>& notes) {
    std::vector<std::string> warnings;
    for (const SiteFileNote& note : notes) {
        const std::string where = "line " + std::to_string(note.line) + ": ";
        if (note.kind == SiteFileNote::Kind::BeforeFirstSite) {
            warnings.push_back(where + "'" + Utf8(note.key) +
                               "' stands before the first HOST_ID and belongs to no site");
        } else {
            const std::string label = note.site >= 1 && note.site <= sites.size()
                                          ? SiteLabel(sites[note.site - 1])
                                          : "site " + std::to_string(note.site);
            warnings.push_back(where + label + ": rule '" + Utf8(note.key) +
                               "' is beyond the 30 rules a list can hold and is ignored");
        }
    }
    std::map<SjisString, std::uint32_t> firstByName;
    for (const SiteInfo& site : sites) {
        for (const std::string& problem : FormatProblems(site.def.m_strUrlFormat)) {
            warnings.push_back(SiteLabel(site) + ": " + problem);
        }
        for (const std::string& problem : AddrProblems(site.server)) {
            warnings.push_back(SiteLabel(site) + ": " + problem);
        }
        if (site.server.empty() || site.def.m_strUrlFormat.empty()) {
            warnings.push_back(SiteLabel(site) + ": never requested (no " +
                               (site.server.empty() ? "HOST_ADDR" : "HOST_URL_FORMAT") + ")");
        }
        const auto [it, inserted] = firstByName.emplace(site.def.m_strHostId, site.number);
        if (!inserted) {
            warnings.push_back(SiteLabel(site) + ": same name as site " +
                               std::to_string(it->second));
        }
    }
    return warnings;
}

nlohmann::ordered_json JsonRules(const RuleList& rules, int count) {
    auto out = nlohmann::ordered_json::array();
    for (int i = 0; i < count; ++i) {
        const SiteRule& rule = rules[static_cast<std::size_t>(i)];
        out.push_back({Utf8(rule.m_strKey), Utf8(rule.m_strValue)});
    }
    return out;
}

void PrintJson(const SjisString& version, const std::vector<SiteInfo>& sites,
               const std::vector<std::string>& warnings) {
    auto jsonSites = nlohmann::ordered_json::array();
    for (const SiteInfo& site : sites) {
        const SiteDef& d = site.def;
        jsonSites.push_back({{"number", site.number},
                             {"name", Utf8(d.m_strHostId)},
                             {"group", Utf8(d.m_strGroup)},
                             {"server", Utf8(site.server)},
                             {"scheme", SchemeName(site.server)},
                             {"url_format", Utf8(d.m_strUrlFormat)},
                             {"kanji", d.m_nKanji},
                             {"max_count", d.m_nMaxCount},
                             {"link_mode", Utf8(d.m_strLinkDv)},
                             {"start_word", Utf8(d.m_strStartWord)},
                             {"page_rules", JsonRules(d.m_pageRules, d.m_nPageRules)},
                             {"entry_rules", JsonRules(d.m_entryRules, d.m_nEntryRules)},
                             {"clean_rules", JsonRules(d.m_cleanRules, d.m_nCleanRules)}});
    }
    std::cout << JsonLine({{"version", Utf8(version)},
                           {"site_count", sites.size()},
                           {"sites", std::move(jsonSites)},
                           {"warnings", warnings}});
}

void PrintText(const std::string& path, const SjisString& version,
               const std::vector<SiteInfo>& sites, const std::vector<std::string>& warnings) {
    std::cout << "Site file: " << path << "\n"
              << "Version:   " << Utf8(version) << "\n"
              << "Sites:     " << sites.size() << "\n";
    for (const SiteInfo& site : sites) {
        const SiteDef& d = site.def;
        std::cout << "\n[" << site.number << "] " << Utf8(d.m_strHostId) << "\n"
                  << "  group:          " << Utf8(d.m_strGroup) << "\n"
                  << "  server:         " << Utf8(site.server) << " (" << SchemeName(site.server)
                  << ")\n"
                  << "  request format: " << Utf8(d.m_strUrlFormat) << "\n"
                  << "  code:           " << KanjiName(d.m_nKanji) << " (" << d.m_nKanji << ")\n"
                  << "  result limit:   " << d.m_nMaxCount << "\n"
                  << "  link mode:      " << Utf8(d.m_strLinkDv) << "\n"
                  << "  start word:     " << TsvField(Utf8(d.m_strStartWord)) << "\n"
                  << "  rules:          " << d.m_nPageRules << " page, " << d.m_nEntryRules
                  << " entry, " << d.m_nCleanRules << " clean-up\n";
    }
    std::cout << "\n";
    if (warnings.empty()) {
        std::cout << "No warnings.\n";
        return;
    }
    std::cout << "Warnings (" << warnings.size() << "):\n";
    for (const std::string& w : warnings) {
        std::cout << "  " << w << "\n";
    }
}

}  // namespace

int RunCheck(const CheckArgs& args) {
    const std::string path =
        args.sitesPath.empty() ? ProgramFolder() + "SearchSite.ini" : args.sitesPath;

    CSearchSession session;
    std::string error;
    std::vector<SiteFileNote> notes;
    if (!session.LoadSiteFile(path, error, &notes)) {
        std::cerr << "quennit-cli check: cannot load the site file: " << error << "\n";
        return 1;
    }
    std::vector<SiteInfo> sites;
    for (int n = 1; n <= session.GetSiteCount(); ++n) {
        const auto number = static_cast<std::uint32_t>(n);
        const auto conn = session.LookupConn(number);
        sites.push_back({number, session.LookupSite(number).value_or(SiteDef{}),
                         conn ? conn->m_strServer : SjisString()});
    }
    const auto warnings = CollectWarnings(sites, notes);
    if (args.json) {
        PrintJson(session.GetSiteFileVer(), sites, warnings);
    } else {
        PrintText(path, session.GetSiteFileVer(), sites, warnings);
    }
    return 0;
}

}  // namespace quennit::cli
