#include "cli/search.h"

#include "cli/commands.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "cli/output.h"
#include "engine/search_session.h"
#include "net/search_thread.h"
#include "platform/http_client.h"
#include "platform/text_codec.h"

namespace quennit::cli {

namespace {

constexpr const char* kUsage =
    "usage: quennit-cli search [--sites FILE] [--group NAME] [--timeout SECONDS]\n"
    "                          [--retry N] [--format tsv|json] KEYWORD\n"
    "  --sites FILE       site definition file (default: SearchSite.ini beside the program)\n"
    "  --group NAME       search only the sites of this group (default: all enabled sites)\n"
    "  --timeout SECONDS  limit of a connect, and idle limit of sending and receiving:\n"
    "                     how long nothing may move, not how long a page may take;\n"
    "                     a server that keeps sending, however slowly, is never cut\n"
    "                     off, so stop such a search with Ctrl-C. 0 = none (default 20)\n"
    "  --retry N          attempts per request and failed reads per page (default 1)\n"
    "  --format tsv|json  result line format (default tsv)\n";

constexpr const char* kCompleted = "検索が完了しました";

int Usage(const std::string& problem) {
    if (!problem.empty()) {
        std::fprintf(stderr, "quennit-cli search: %s\n", EscapeForTerminal(problem).c_str());
    }
    std::fputs(kUsage, stderr);
    return 2;
}

std::optional<long> ParseCount(const char* text, long max) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 0 || v > max) {
        return std::nullopt;
    }
    return v;
}

// The command line's window: what the main window would show, as lines.
// Messages are handled on the search thread itself; the stop and the
// printing share a lock, so nothing is printed once Ctrl-C has been taken.
class ConsoleWindow : public IMessageWindow {
  public:
    ConsoleWindow(const CSearchSession& session, Format format)
        : m_session(session), m_format(format) {}

    bool IsWindow() const override { return true; }

    LRESULT SendMessage(std::uint32_t msg, WPARAM wParam, LPARAM lParam) override {
        std::lock_guard lock(m_mutex);
        if (m_stopped) {
            return 0;
        }
        const auto site = static_cast<std::uint32_t>(wParam);
        switch (msg) {
            case WM_INET_STATUS:
                Status(Utf8(m_session.GetSiteName(site)) + " : " +
                       Utf8(CInetSession::GetStatusText(static_cast<std::uint32_t>(lParam))));
                break;
            case WM_INET_ERROR:
                Status(Utf8(m_session.GetSiteName(site)) + " : ERROR " +
                       Utf8(CInetSession::GetErrorText(lParam)));
                break;
            case WM_SEARCH_RESULT: {
                const auto* result = reinterpret_cast<const SearchResult*>(lParam);
                std::fputs(FormatResult(*result, m_format).c_str(), stdout);
                std::fflush(stdout);
                break;
            }
            case WM_SEARCH_END:
                Status(kCompleted);
                m_completed = true;
                break;
            default:
                break;
        }
        return 0;
    }

    void Stop() {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
    }

    bool Completed() {
        std::lock_guard lock(m_mutex);
        return m_completed;
    }

  private:
    // Site names come from the site file: escaped like every other line.
    static void Status(const std::string& line) {
        std::fputs((EscapeForTerminal(line) + "\n").c_str(), stderr);
        std::fflush(stderr);
    }

    const CSearchSession& m_session;
    Format m_format;
    std::mutex m_mutex;
    bool m_stopped = false;
    bool m_completed = false;
};

}  // namespace

int RunSearch(int argc, char** argv) {
    std::string sitesPath;
    std::string groupUtf8;
    long timeout = 20;
    long retry = 1;
    Format format = Format::Tsv;
    std::optional<std::string> keywordUtf8;

    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                Usage(std::string(name) + " needs a value");
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--sites") {
            const char* v = value("--sites");
            if (v == nullptr) {
                return 2;
            }
            sitesPath = v;
        } else if (arg == "--group") {
            const char* v = value("--group");
            if (v == nullptr) {
                return 2;
            }
            groupUtf8 = v;
        } else if (arg == "--timeout" || arg == "--retry") {
            const char* v = value(argv[i]);
            if (v == nullptr) {
                return 2;
            }
            const auto n = ParseCount(v, arg == "--timeout" ? 999 : 99);
            if (!n) {
                return Usage(std::string(arg) + ": not a number in range: " + v);
            }
            (arg == "--timeout" ? timeout : retry) = *n;
        } else if (arg == "--format") {
            const char* v = value("--format");
            if (v == nullptr) {
                return 2;
            }
            if (std::string_view(v) == "tsv") {
                format = Format::Tsv;
            } else if (std::string_view(v) == "json") {
                format = Format::Json;
            } else {
                return Usage(std::string("unknown format: ") + v);
            }
        } else if (arg.size() > 1 && arg.front() == '-' && arg != "--") {
            return Usage("unknown option: " + std::string(arg));
        } else {
            if (arg == "--") {
                if (i + 1 >= argc) {
                    break;
                }
                ++i;
            }
            if (keywordUtf8 || i + 1 < argc) {
                return Usage("exactly one KEYWORD is expected");
            }
            keywordUtf8 = argv[i];
        }
    }
    if (!keywordUtf8 || keywordUtf8->empty()) {
        return Usage("KEYWORD is missing");
    }
    const auto keyword = Utf8ToSjis(*keywordUtf8);
    const auto group = Utf8ToSjis(groupUtf8);
    if (!keyword || !group) {
        return Usage("KEYWORD and NAME must be text that Shift_JIS can represent");
    }
    if (sitesPath.empty()) {
        sitesPath = ProgramFolder() + "SearchSite.ini";
    }

    // Before any thread: libcurl's set-up, and the signals that stop the
    // search are taken by this thread alone, as events.
    HttpGlobalInit();
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
    ConsoleWindow window(session, format);
    for (int n = 1; n <= session.GetSiteCount(); ++n) {
        session.SetErrorWnd(static_cast<std::uint32_t>(n), &window);
        session.SetNotifyWnd(static_cast<std::uint32_t>(n), &window);
    }
    // As the settings dialog applies them: 0 seconds means no time-out.
    session.SetTimeout(static_cast<std::uint32_t>(timeout) * 1000);
    session.SetRetry(static_cast<int>(retry));

    CThInetCtrl thread;
    thread.m_pSession = &session;
    thread.m_pWnd = &window;
    thread.m_strKeyword = *keyword;
    thread.m_strSearchGroup = *group;
    thread.m_onExit = [doneFd] {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = write(doneFd, &one, sizeof one);
    };
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
            window.Stop();
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
    if (interrupted) {
        return 130;
    }
    return window.Completed() ? 0 : 1;
}

}  // namespace quennit::cli
