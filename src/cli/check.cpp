// quennit-cli check: describe a site definition file and warn about likely
// mistakes, so that site-file authors see what the program will make of it.
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/doctor.h"
#include "cli/output.h"
#include "engine/search_session.h"
#include "platform/http_client.h"

namespace quennit::cli {

namespace {

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
        problems.push_back("request format has '" + Utf8(format.substr(i, 2)) +
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

std::string SiteLabel(std::uint32_t number, const SjisString& name) {
    return "site " + std::to_string(number) + " \"" + Utf8(name) + "\"";
}

std::vector<std::string> NoteWarnings(const CSearchSession& session,
                                      const std::vector<SiteFileNote>& notes) {
    std::vector<std::string> warnings;
    for (const SiteFileNote& note : notes) {
        const std::string where = "line " + std::to_string(note.line) + ": ";
        switch (note.kind) {
            case SiteFileNote::Kind::BeforeFirstSite:
                warnings.push_back(where + "'" + Utf8(note.key) +
                                   "' stands before the first HOST_ID and belongs to no site");
                break;
            case SiteFileNote::Kind::RuleBeyondLimit:
                warnings.push_back(where +
                                   (note.site == 0
                                        ? "site 0"
                                        : SiteLabel(note.site, session.GetSiteName(note.site))) +
                                   ": rule '" + Utf8(note.key) +
                                   "' is beyond the 30 rules a list can hold and is ignored");
                break;
            case SiteFileNote::Kind::ByteOrderMark:
                warnings.push_back(where +
                                   "the file starts with a UTF-8 byte-order mark, which becomes "
                                   "part of the first line's key (a site file is Shift_JIS "
                                   "text without one)");
                break;
            case SiteFileNote::Kind::LostSite:
                warnings.push_back(where + "the byte-order mark spoils the HOST_ID line of \"" +
                                   Utf8(note.key) +
                                   "\": that site is lost, and its keys and rules up to the "
                                   "next HOST_ID belong to no site");
                break;
            case SiteFileNote::Kind::BareCr:
                warnings.push_back(where +
                                   "a CR that ends no line: lines end at LF or CR LF, so "
                                   "lines ended by CR alone read as one line");
                break;
            case SiteFileNote::Kind::Utf8Text:
                warnings.push_back(where +
                                   "the file is saved as UTF-8, but a site file is read as "
                                   "Shift_JIS, so its names and markers come out garbled: "
                                   "save it as Shift_JIS");
                break;
            case SiteFileNote::Kind::SpacedKey:
                warnings.push_back(where + "'" + Utf8(note.key) +
                                   "' is followed by spaces: a key must be followed by a TAB, "
                                   "so this line does not set " +
                                   Utf8(note.key));
                break;
        }
    }
    return warnings;
}

// The warnings about one site; firstByName remembers the names seen so far.
void AddSiteWarnings(std::uint32_t number, const SiteDef& def, const SjisString& server,
                     std::map<SjisString, std::uint32_t>& firstByName,
                     std::vector<std::string>& warnings) {
    const std::string label = SiteLabel(number, def.m_strHostId);
    for (const std::string& problem : FormatProblems(def.m_strUrlFormat)) {
        warnings.push_back(label + ": " + problem);
    }
    for (const std::string& problem : AddrProblems(server)) {
        warnings.push_back(label + ": " + problem);
    }
    if (server.empty() || def.m_strUrlFormat.empty()) {
        warnings.push_back(label + ": never requested (no " +
                           (server.empty() ? "HOST_ADDR" : "HOST_URL_FORMAT") + ")");
    }
    const auto [it, inserted] = firstByName.emplace(def.m_strHostId, number);
    if (!inserted) {
        warnings.push_back(label + ": same name as site " + std::to_string(it->second));
    }
}

nlohmann::ordered_json JsonRules(const RuleList& rules) {
    auto out = nlohmann::ordered_json::array();
    for (const SiteRule& rule : rules) {
        out.push_back({Utf8(rule.m_strKey), Utf8(rule.m_strValue)});
    }
    return out;
}

std::string JsonSite(std::uint32_t number, const SiteDef& d, const SjisString& server) {
    nlohmann::ordered_json site = {{"number", number},
                                   {"name", Utf8(d.m_strHostId)},
                                   {"group", Utf8(d.m_strGroup)},
                                   {"server", Utf8(server)},
                                   {"scheme", SchemeName(server)},
                                   {"url_format", Utf8(d.m_strUrlFormat)},
                                   {"kanji", d.m_nKanji},
                                   {"max_count", d.m_nMaxCount},
                                   {"link_mode", Utf8(d.m_strLinkDv)},
                                   {"start_word", Utf8(d.m_strStartWord)}};
    if (!d.m_strEndWord.empty()) {
        site["end_word"] = Utf8(d.m_strEndWord);
    }
    site["page_rules"] = JsonRules(d.m_pageRules);
    site["entry_rules"] = JsonRules(d.m_entryRules);
    site["clean_rules"] = JsonRules(d.m_cleanRules);
    return JsonText(site);
}

// Every text from the file passes EscapeForTerminal: a site file must not
// be able to drive the terminal it is checked on.
std::string TextSite(std::uint32_t number, const SiteDef& d, const SjisString& server) {
    const auto field = [](const SjisString& sjis) { return EscapeForTerminal(Utf8(sjis)); };
    return "\n[" + std::to_string(number) + "] " + field(d.m_strHostId) + "\n" +
           "  group:          " + field(d.m_strGroup) + "\n" +
           "  server:         " + field(server) + " (" + EscapeForTerminal(SchemeName(server)) +
           ")\n" + "  request format: " + field(d.m_strUrlFormat) + "\n" +
           "  code:           " + KanjiName(d.m_nKanji) + " (" + std::to_string(d.m_nKanji) +
           ")\n" + "  result limit:   " + std::to_string(d.m_nMaxCount) + "\n" +
           "  link mode:      " + field(d.m_strLinkDv) + "\n" +
           "  start word:     " + field(d.m_strStartWord) + "\n" +
           (d.m_strEndWord.empty() ? "" : "  end word:       " + field(d.m_strEndWord) + "\n") +
           "  rules:          " + std::to_string(d.m_pageRules.size()) + " page, " +
           std::to_string(d.m_entryRules.size()) + " entry, " +
           std::to_string(d.m_cleanRules.size()) + " clean-up\n";
}

}  // namespace

int RunCheck(const CheckArgs& args) {
    if (!args.fetchKeyword.empty()) {
        return RunSiteDoctor(args);
    }
    const std::string path = args.sitesPath.empty() ? DefaultSiteFile() : args.sitesPath;
    const bool json = args.json;

    CSearchSession session;
    std::string error;
    std::vector<SiteFileNote> notes;
    if (!session.LoadSiteFile(path, error, &notes)) {
        std::cerr << "quennit-cli check: cannot load the site file: " << EscapeForTerminal(error)
                  << "\n";
        return 1;
    }
    // One site at a time, printed as it is looked at: the table may be huge.
    const int count = session.GetSiteCount();
    const SjisString version = session.GetSiteFileVer();
    if (json) {
        std::cout << "{\"version\":" << JsonText(Utf8(version)) << ",\"site_count\":" << count
                  << ",\"sites\":[";
    } else {
        std::cout << "Site file: " << EscapeForTerminal(path) << "\n"
                  << "Version:   " << EscapeForTerminal(Utf8(version)) << "\n"
                  << "Sites:     " << count << "\n";
    }
    std::vector<std::string> warnings = NoteWarnings(session, notes);
    std::map<SjisString, std::uint32_t> firstByName;
    for (int n = 1; n <= count; ++n) {
        const auto number = static_cast<std::uint32_t>(n);
        const auto conn = session.LookupConn(number);
        const SjisString server = conn ? conn->m_strServer : SjisString();
        const SiteDef def = session.LookupSite(number).value_or(SiteDef{});
        if (json) {
            std::cout << (n == 1 ? "" : ",") << JsonSite(number, def, server);
        } else {
            std::cout << TextSite(number, def, server);
        }
        AddSiteWarnings(number, def, server, firstByName, warnings);
    }
    if (json) {
        std::cout << "],\"warnings\":" << JsonText(warnings) << "}\n";
        return 0;
    }
    std::cout << "\n";
    if (warnings.empty()) {
        std::cout << "No warnings.\n";
        return 0;
    }
    std::cout << "Warnings (" << warnings.size() << "):\n";
    for (const std::string& w : warnings) {
        std::cout << "  " << EscapeForTerminal(w) << "\n";
    }
    return 0;
}

}  // namespace quennit::cli
