#include "cli/search.h"

#include "cli/commands.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "cli/output.h"
#include "engine/search_session.h"
#include "engine/search_thread.h"
#include "platform/http_client.h"

namespace quennit::cli {

namespace {

// The command line's window: what the main window would show, as lines.
// Events are handled on the search thread itself; once the search has been
// stopped none arrive (the session's stop filter), so nothing is printed
// after Ctrl-C has been taken.
class ConsoleWindow : public ISearchEvents {
  public:
    ConsoleWindow(const CSearchSession& session, Format format)
        : m_session(session), m_format(format) {}

    void OnProgress(std::uint32_t site, std::uint32_t code) override {
        SiteStatus(site, m_session.GetProgressLine(site, code), false);
    }

    void OnError(std::uint32_t site, ErrorKind kind, int status) override {
        SiteStatus(site, m_session.GetErrorLine(site, kind, status), true);
    }

    void OnResult(std::uint32_t site, const SearchResult& result) override {
        std::lock_guard lock(m_mutex);
        ++m_sites[site].results;
        std::fputs(FormatResult(result, m_format).c_str(), stdout);
        std::fflush(stdout);
    }

    void OnEnd(SearchEnd how) override {
        std::lock_guard lock(m_mutex);
        Status(CSearchSession::GetEndText(how));
        m_completed = true;
    }

    bool Completed() {
        std::lock_guard lock(m_mutex);
        return m_completed;
    }

    // On the thread that asked the site, so under the same lock.
    void SiteEnded(const SiteOutcome& outcome) {
        std::lock_guard lock(m_mutex);
        Site& site = m_sites[outcome.site];
        site.asked = true;
        site.pages = outcome.pages;
        site.seconds = outcome.seconds;
    }

    // One line per site asked, in site order: what a site-file author reads
    // to see which sites broke. A site that had an error shows its last one,
    // not the closing of the connection that followed it.
    void PrintSummary() {
        std::lock_guard lock(m_mutex);
        for (const auto& [n, site] : m_sites) {
            if (!site.asked) {
                continue;
            }
            char figures[96];
            std::snprintf(figures, sizeof figures, " : %d results, %d pages, %.2f s, ",
                          site.results, site.pages, site.seconds);
            Status(Utf8(m_session.GetSiteName(n)) + figures +
                   (site.lastError.empty() ? site.lastStatus : site.lastError));
        }
    }

  private:
    void SiteStatus(std::uint32_t n, const CSearchSession::StatusLine& status, bool error) {
        std::lock_guard lock(m_mutex);
        Status(status.m_strLine);
        Site& site = m_sites[n];
        site.lastStatus = Utf8(status.m_strText);
        if (error) {
            site.lastError = "ERROR " + site.lastStatus;
        }
    }

    // Site names come from the site file: escaped like every other line.
    static void Status(const std::string& line) {
        std::fputs((EscapeForTerminal(line) + "\n").c_str(), stderr);
        std::fflush(stderr);
    }

    struct Site {
        bool asked = false;
        int results = 0;
        int pages = 0;
        double seconds = 0;
        std::string lastStatus;
        std::string lastError;
    };

    const CSearchSession& m_session;
    Format m_format;
    std::mutex m_mutex;
    std::map<std::uint32_t, Site> m_sites;
    bool m_completed = false;
};

}  // namespace

int RunSearch(const SearchArgs& args) {
    const std::string sitesPath = args.sitesPath.empty() ? DefaultSiteFile() : args.sitesPath;

    // Before any thread: libcurl's set-up, and the signals that stop the
    // search are taken by this thread alone, as events.
    const GlobalHttpInit http;
    if (!http.Ok()) {
        std::fputs("quennit-cli search: cannot initialise the HTTP client\n", stderr);
        return 1;
    }
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    const int doneFd = eventfd(0, EFD_CLOEXEC);

    CSearchSession session;
    std::string error;
    if (!session.LoadSiteFile(sitesPath, error)) {
        std::fprintf(stderr, "quennit-cli search: %s\n",
                     EscapeForTerminal(sitesPath + ": " + error).c_str());
        return 1;
    }
    ConsoleWindow window(session, args.format);
    // As the settings dialog applies them: 0 seconds means no time-out.
    session.Connect(&window, static_cast<std::uint32_t>(args.timeoutSeconds) * 1000,
                    static_cast<int>(args.retry));

    SearchThread thread(session, args.group, args.keyword, [doneFd] {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = write(doneFd, &one, sizeof one);
    });
    SearchOptions options;
    options.jobs = args.multi ? args.jobs : 0;
    if (args.summary) {
        options.onSiteEnd = [&window](const SiteOutcome& outcome) { window.SiteEnded(outcome); };
    }
    thread.SetOptions(std::move(options));
    if (!thread.Start()) {
        std::fputs("quennit-cli search: cannot start the search thread\n", stderr);
        return 1;
    }

    bool interrupted = false;
    pollfd fds[2] = {{doneFd, POLLIN, 0}, {signalFd, POLLIN, 0}};
    while (true) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[1].revents & POLLIN) {
            interrupted = true;
            thread.Stop();
            break;
        }
        if (fds[0].revents & POLLIN) {
            break;
        }
    }
    thread.Join();
    close(signalFd);
    close(doneFd);
    // Once the completion line is out the search has completed, even when
    // Ctrl-C came right after it.
    if (!window.Completed()) {
        return interrupted ? 130 : 1;
    }
    if (args.summary) {
        window.PrintSummary();
    }
    return 0;
}

}  // namespace quennit::cli
