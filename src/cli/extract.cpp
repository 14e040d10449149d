// quennit-cli extract: run one site's rules on a saved result page, the way
// a search would scan it, and print every result as it is handed over.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/doctor.h"
#include "cli/output.h"
#include "engine/search_session.h"
#include "platform/regular_file.h"
#include "platform/text_codec.h"

namespace quennit::cli {

namespace {

// A site argument of digits names a site number; anything else a site name
// (UTF-8, compared with the names of the file after conversion).
std::uint32_t FindSite(const CSearchSession& session, const std::string& arg) {
    const int count = session.GetSiteCount();
    if (!arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos &&
        arg.size() < 10) {
        const long n = std::stol(arg);
        if (n >= 1 && n <= count) {
            return static_cast<std::uint32_t>(n);
        }
    }
    const auto name = Utf8ToSjis(arg);
    if (!name) {
        return 0;
    }
    for (int n = 1; n <= count; ++n) {
        if (session.GetSiteName(static_cast<std::uint32_t>(n)) == *name) {
            return static_cast<std::uint32_t>(n);
        }
    }
    return 0;
}

}  // namespace

int RunExtract(const ExtractArgs& args) {
    CSearchSession session;
    std::string error;
    if (!session.LoadSiteFile(args.sitesPath, error)) {
        std::cerr << "quennit-cli extract: cannot load the site file: " << EscapeForTerminal(error)
                  << "\n";
        return 1;
    }
    const std::uint32_t site = FindSite(session, args.site);
    if (site == 0) {
        std::cerr << "quennit-cli extract: no site '" << EscapeForTerminal(args.site) << "' in "
                  << EscapeForTerminal(args.sitesPath) << "\n";
        return 1;
    }

    // The page as a read would keep it: at most the read limit, NUL-terminated.
    std::FILE* in = OpenRegularFile(args.pagePath, error);
    if (in == nullptr) {
        std::cerr << "quennit-cli extract: cannot open the page "
                  << EscapeForTerminal(args.pagePath) << ": " << error << "\n";
        return 1;
    }
    std::string page(CSearchSession::PAGE_READ_LIMIT, '\0');
    page.resize(std::fread(page.data(), 1, page.size(), in));
    const bool readFailed = std::ferror(in) != 0;
    std::fclose(in);
    if (readFailed) {
        std::cerr << "quennit-cli extract: cannot read the page "
                  << EscapeForTerminal(args.pagePath) << "\n";
        return 1;
    }

    // The scan a search makes, with the site's run state as at a search's start.
    const SiteDef def = session.LookupSite(site).value_or(SiteDef{});
    const auto conn = session.LookupConn(site);
    if (args.explain) {
        std::cout << ExplainPage(site, def,
                                 DiagnosePage(page, def, conn ? conn->m_strServer : "", {}),
                                 args.format == Format::Json);
        return 0;
    }
    const PageExtract extract = ExtractPage(page, def, conn ? conn->m_strServer : "");
    for (const SearchResult& result : extract.results) {
        std::cout << FormatResult(result, args.format) << std::flush;
    }
    if (extract.status == PageExtract::kFieldTooLong) {
        std::cerr << "quennit-cli extract: the page could not be scanned: a capture is 2,048 "
                     "bytes or longer (a marker is missing or too far away)\n";
        return 3;
    }
    if (extract.status == PageExtract::kNextLinkTooLong) {
        std::cerr << "quennit-cli extract: a page rule's capture is 2,048 bytes or longer, so "
                     "there is no next page (the results stand)\n";
    }
    // The path is in the site's code.
    const std::string next = def.m_nKanji == kKanjiUtf8 ? extract.nextUrl : Utf8(extract.nextUrl);
    if (args.format == Format::Json) {
        std::cout << FormatNextUrlJson(next);
    } else if (!next.empty()) {
        std::cerr << "next: " << EscapeForTerminal(next) << "\n";
    }
    return 0;
}

}  // namespace quennit::cli
