// quennit-cli extract: run one site's rules on a saved result page, the way
// a search would scan it, and print every result as it is handed over.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/output.h"
#include "engine/search_session.h"
#include "platform/regular_file.h"
#include "platform/text_codec.h"

namespace quennit::cli {

namespace {

// Prints each result line the moment the engine hands it over.
class PrintingWindow : public IMessageWindow {
  public:
    explicit PrintingWindow(Format format) : m_format(format) {}

    bool IsWindow() const override { return true; }

    LRESULT SendMessage(std::uint32_t msg, WPARAM, LPARAM lParam) override {
        if (msg == WM_SEARCH_RESULT) {
            const auto* result = reinterpret_cast<const SearchResult*>(lParam);
            std::cout << FormatResult(*result, m_format) << std::flush;
        }
        return 0;
    }

  private:
    Format m_format;
};

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
    auto page = std::make_unique<char[]>(CSearchSession::PAGE_BUFFER_SIZE);
    const std::size_t length = std::fread(page.get(), 1, CSearchSession::PAGE_READ_LIMIT, in);
    const bool readFailed = std::ferror(in) != 0;
    std::fclose(in);
    if (readFailed) {
        std::cerr << "quennit-cli extract: cannot read the page "
                  << EscapeForTerminal(args.pagePath) << "\n";
        return 1;
    }
    page[length] = '\0';

    PrintingWindow window(args.format);
    session.SetNotifyWnd(site, &window);
    const int rc = session.ExtractResults(page.get(), site);
    if (rc < 0) {
        std::cerr << "quennit-cli extract: the page could not be scanned: a capture is 2,048 "
                     "bytes or longer (a marker is missing or too far away)\n";
        return 3;
    }
    if (rc == CSearchSession::NEXT_LINK_TOO_LONG) {
        std::cerr << "quennit-cli extract: a page rule's capture is 2,048 bytes or longer, so "
                     "there is no next page (the results stand)\n";
    }
    const SjisString next = session.LookupSite(site).value_or(SiteDef{}).m_strNextUrl;
    if (args.format == Format::Json) {
        std::cout << FormatNextUrlJson(next);
    } else if (!next.empty()) {
        std::cerr << "next: " << EscapeForTerminal(Utf8(next)) << "\n";
    }
    return 0;
}

}  // namespace quennit::cli
