// The site doctor: why a site gives nothing. check --fetch asks each site
// for its first page; extract --explain looks at a saved one. Both show what
// DiagnosePage finds, as the same findings.
#include "cli/doctor.h"

#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/output.h"
#include "engine/search_session.h"
#include "engine/site_scheduler.h"
#include "platform/http_client.h"

namespace quennit::cli {

namespace {

constexpr int kJobs = 6;           // sites at a time, as the MULTI switch
constexpr int kPort = 80;          // a HOST_ADDR without a port, as a search asks it
constexpr int kTimeoutMs = 20000;  // as a search's default

const char* MarkerState(PageDiagnosis::Marker m) {
    return m == PageDiagnosis::Marker::Found     ? "found"
           : m == PageDiagnosis::Marker::Missing ? "missing"
                                                 : "unset";
}

// One thing found about a site, in plain words (UTF-8).
struct Finding {
    bool problem = false;
    std::string text;
};

// What the page shows: its charset against HOST_KANJI, the start and end
// words, the entries (and which rule fails when there are none), the next page.
std::vector<Finding> PageFindings(const SiteDef& site, const PageDiagnosis& d) {
    std::vector<Finding> out;
    const DeclaredCharset& cs = d.charset;
    const std::string code = KanjiName(site.m_nKanji);
    if (cs.source == DeclaredCharset::Source::None) {
        out.push_back({false, "no charset declared (read as " + code + ")"});
    } else {
        const std::string declared =
            "charset " + cs.name +
            (cs.source == DeclaredCharset::Source::Header ? " (HTTP header)" : " (<meta>)");
        const auto kanji = CharsetKanji(cs.name);
        if (!kanji) {
            out.push_back({true, declared + ", which Quennit can't read (only Shift_JIS, "
                                            "EUC-JP and UTF-8): the titles come out garbled"});
        } else if (d.charsetMismatch) {
            out.push_back({true, declared + ", but the site is read as " + code +
                                     ": set HOST_KANJI " + KanjiName(*kanji)});
        } else {
            out.push_back({false, declared + ", as HOST_KANJI"});
        }
    }
    if (d.startWord != PageDiagnosis::Marker::Unset) {
        const bool found = d.startWord == PageDiagnosis::Marker::Found;
        out.push_back({!found, found ? "STARTWORD found"
                                     : "STARTWORD \"" + Utf8(site.m_strStartWord) +
                                           "\" not found, so no entries are looked for"});
    }
    if (d.endWord != PageDiagnosis::Marker::Unset) {
        const bool found = d.endWord == PageDiagnosis::Marker::Found;
        out.push_back({!found, found ? "ENDWORD found"
                                     : "ENDWORD \"" + Utf8(site.m_strEndWord) +
                                           "\" not found, so the entries run to the page's end"});
    }
    const std::size_t entries = d.extract.results.size();
    if (d.extract.status == PageExtract::kFieldTooLong) {
        out.push_back({true,
                       "no entries: an entry's capture is 2,048 bytes or longer (a marker "
                       "is missing or too far away)"});
    } else if (entries > 0) {
        out.push_back({false, std::to_string(entries) + (entries == 1 ? " entry" : " entries")});
    } else if (d.missingRule != 0) {
        const SiteRule& rule = site.m_entryRules[d.missingRule - 1];
        out.push_back({true, "0 entries: entry rule " + std::to_string(d.missingRule) + " (" +
                                 Utf8(rule.m_strKey) + " \"" + Utf8(rule.m_strValue) +
                                 "\") never occurs " +
                                 (d.startWord == PageDiagnosis::Marker::Found ? "after STARTWORD"
                                                                              : "on the page")});
    } else {
        out.push_back({true, site.m_entryRules.empty() ? "0 entries: the site has no entry rules"
                                                       : "0 entries"});
    }
    const std::string next =
        site.m_nKanji == kKanjiUtf8 ? d.extract.nextUrl : Utf8(d.extract.nextUrl);
    if (d.extract.status == PageExtract::kNextLinkTooLong) {
        out.push_back({true, "no next page: a page rule's capture is 2,048 bytes or longer"});
    } else {
        out.push_back({false, next.empty() ? "no next page" : "next page " + next});
    }
    return out;
}

nlohmann::ordered_json PageJson(const SiteDef& site, const PageDiagnosis& d) {
    nlohmann::ordered_json j;
    j["charset"] =
        d.charset.name.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(d.charset.name);
    j["charset_from"] = nullptr;
    if (d.charset.source != DeclaredCharset::Source::None) {
        j["charset_from"] = d.charset.source == DeclaredCharset::Source::Header ? "http" : "meta";
    }
    j["kanji"] = KanjiName(site.m_nKanji);
    j["charset_mismatch"] = d.charsetMismatch;
    j["start_word"] = MarkerState(d.startWord);
    j["end_word"] = MarkerState(d.endWord);
    j["entries"] = d.extract.results.size();
    if (d.missingRule != 0) {
        const SiteRule& rule = site.m_entryRules[d.missingRule - 1];
        j["missing_rule"] = {{"number", d.missingRule},
                             {"key", Utf8(rule.m_strKey)},
                             {"value", Utf8(rule.m_strValue)}};
    } else {
        j["missing_rule"] = nullptr;
    }
    j["next_url"] = site.m_nKanji == kKanjiUtf8 ? d.extract.nextUrl : Utf8(d.extract.nextUrl);
    return j;
}

std::string Label(std::uint32_t number, const SjisString& name) {
    return "[" + std::to_string(number) + "] " + Utf8(name);
}

bool AnyProblem(const std::vector<Finding>& findings) {
    for (const Finding& f : findings) {
        if (f.problem) {
            return true;
        }
    }
    return false;
}

// The site's line: "[N] name: ok; finding; finding; ..." (or PROBLEM).
std::string TextLine(std::uint32_t number, const SjisString& name,
                     const std::vector<Finding>& findings) {
    std::string line = Label(number, name) + ": " + (AnyProblem(findings) ? "PROBLEM" : "ok");
    for (const Finding& f : findings) {
        line += "; " + f.text;
    }
    return EscapeForTerminal(line) + "\n";
}

std::string JsonSite(std::uint32_t number, const SjisString& name, nlohmann::ordered_json fields,
                     const std::vector<Finding>& findings) {
    nlohmann::ordered_json j = {{"number", number}, {"name", Utf8(name)}};
    j["ok"] = !AnyProblem(findings);
    j.update(fields);
    auto problems = nlohmann::ordered_json::array();
    for (const Finding& f : findings) {
        if (f.problem) {
            problems.push_back(f.text);
        }
    }
    j["problems"] = problems;
    return JsonLine(j);
}

// The doctor's window: the last error line of each site, as a search shows it.
class ErrorRecorder : public ISearchEvents {
  public:
    void OnProgress(std::uint32_t, std::uint32_t) override {}
    void OnResult(std::uint32_t, const SearchResult&) override {}
    void OnEnd(SearchEnd) override {}
    void OnError(std::uint32_t site, ErrorKind kind, int status) override {
        std::lock_guard lock(m_mutex);
        m_errors[site] = CSearchSession::GetErrorText(kind, status);
    }

    // The text of the site's last error, if it had one.
    std::optional<SjisString> LastError(std::uint32_t site) {
        std::lock_guard lock(m_mutex);
        const auto it = m_errors.find(site);
        return it == m_errors.end() ? std::nullopt : std::optional<SjisString>(it->second);
    }

  private:
    std::mutex m_mutex;
    std::map<std::uint32_t, SjisString> m_errors;
};

// One site asked and looked at: its line, text or JSON.
std::string AskSite(CSearchSession& session, ErrorRecorder& errors, std::uint32_t site,
                    const std::string& keyword, bool json) {
    const SiteDef def = session.LookupSite(site).value_or(SiteDef{});
    const auto conn = session.LookupConn(site);
    const CSearchSession::FetchedPage page = session.FetchFirstPage(site, keyword);
    const auto error = errors.LastError(site);
    const std::string errorText = error ? "ERROR " + Utf8(*error) : std::string();

    std::vector<Finding> findings;
    nlohmann::ordered_json fields = {{"status", page.status}};
    if (page.status == -1) {
        findings.push_back({true, "never requested (no HOST_ADDR or HOST_URL_FORMAT)"});
    } else if (page.status == 200) {
        findings.push_back({error.has_value(), "HTTP 200" + (error ? " (" + errorText + ")" : "")});
    } else {
        const std::string status =
            page.status > 0 ? "HTTP " + std::to_string(page.status) + ": " : "";
        findings.push_back({true, status + (error ? errorText : "no answer")});
    }
    if (error) {
        fields["error"] = errorText;
    }
    if (page.status == 200) {
        fields["content_type"] = page.contentType;
        const PageDiagnosis d =
            DiagnosePage(page.body, def, conn ? conn->m_strServer : "", page.contentType);
        const std::vector<Finding> more = PageFindings(def, d);
        findings.insert(findings.end(), more.begin(), more.end());
        fields.update(PageJson(def, d));
    }
    return json ? JsonSite(site, def.m_strHostId, fields, findings)
                : TextLine(site, def.m_strHostId, findings);
}

}  // namespace

std::string ExplainPage(std::uint32_t number, const SiteDef& site, const PageDiagnosis& diagnosis,
                        bool json) {
    const std::vector<Finding> findings = PageFindings(site, diagnosis);
    if (json) {
        return JsonSite(number, site.m_strHostId, PageJson(site, diagnosis), findings);
    }
    std::string out = EscapeForTerminal(Label(number, site.m_strHostId)) + ": " +
                      (AnyProblem(findings) ? "PROBLEM" : "ok") + "\n";
    for (const Finding& f : findings) {
        out += (f.problem ? "  ! " : "    ") + EscapeForTerminal(f.text) + "\n";
    }
    if (!diagnosis.extract.results.empty()) {
        const SearchResult& first = diagnosis.extract.results.front();
        out += "    first entry: " + EscapeForTerminal(first.m_strTitle) + " <" +
               EscapeForTerminal(first.m_strUrl) + ">\n";
    }
    return out;
}

int RunSiteDoctor(const CheckArgs& args) {
    const std::string path = args.sitesPath.empty() ? DefaultSiteFile() : args.sitesPath;
    const GlobalHttpInit http;
    if (!http.Ok()) {
        std::cerr << "quennit-cli check: cannot initialise the HTTP client\n";
        return 1;
    }
    CSearchSession session;
    std::string error;
    if (!session.LoadSiteFile(path, error)) {
        std::cerr << "quennit-cli check: cannot load the site file: " << EscapeForTerminal(error)
                  << "\n";
        return 1;
    }
    ErrorRecorder errors;
    session.Connect(&errors, kTimeoutMs, 1);

    // The enabled sites in number order; each line is printed once every
    // site before it has its own.
    std::vector<std::uint32_t> sites;
    for (int n = 1; n <= session.GetSiteCount(); ++n) {
        if (session.LookupSite(static_cast<std::uint32_t>(n)).value_or(SiteDef{}).m_bEnabled) {
            sites.push_back(static_cast<std::uint32_t>(n));
        }
    }
    std::map<std::uint32_t, std::size_t> position;
    for (std::size_t i = 0; i < sites.size(); ++i) {
        position[sites[i]] = i;
    }
    std::vector<std::optional<std::string>> lines(sites.size());
    std::size_t printed = 0;
    std::mutex printing;
    std::size_t nextJob = 0;
    RunSiteJobs(
        kJobs,
        [&]() -> std::optional<SiteJob> {
            if (nextJob == sites.size()) {
                return std::nullopt;
            }
            const std::uint32_t site = sites[nextJob++];
            const auto conn = session.LookupConn(site);
            return SiteJob{site, ServerKey(conn ? conn->m_strServer : "", kPort)};
        },
        [&](std::uint32_t site) {
            std::string line = AskSite(session, errors, site, args.fetchKeyword, args.json);
            std::lock_guard lock(printing);
            lines[position.at(site)] = std::move(line);
            for (; printed < lines.size() && lines[printed]; ++printed) {
                std::cout << *lines[printed] << std::flush;
            }
        });
    return 0;
}

}  // namespace quennit::cli
