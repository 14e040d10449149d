// quennit-cli: the scriptable face of the Quennit engine.
#include <cstdio>
#include <cstring>

#include "cli/commands.h"
#include "cli/output.h"
#include "cli/search.h"

namespace {

constexpr const char* kUsage =
    "usage: quennit-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  check [--format text|json] [FILE]\n"
    "      Load a site definition file (default: SearchSite.ini beside the program)\n"
    "      and describe every site, with warnings about likely mistakes.\n"
    "  extract --sites FILE --site NAME|NUMBER [--format tsv|json] PAGE\n"
    "      Run one site's extraction rules on a saved result page.\n"
    "  search [--sites FILE] [--group NAME] [--timeout SECONDS] [--retry N]\n"
    "         [--format tsv|json] KEYWORD\n"
    "      Search every enabled site (or one group) for KEYWORD, as the window\n"
    "      does: results on standard output, status lines on standard error.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "check") == 0) {
        return quennit::cli::RunCheck(argc - 2, argv + 2);
    }
    if (std::strcmp(command, "extract") == 0) {
        return quennit::cli::RunExtract(argc - 2, argv + 2);
    }
    if (std::strcmp(command, "search") == 0) {
        return quennit::cli::RunSearch(argc - 2, argv + 2);
    }
    if (std::strcmp(command, "-h") == 0 || std::strcmp(command, "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::fprintf(stderr, "quennit-cli: unknown command '%s'\n\n%s",
                 quennit::cli::EscapeForTerminal(command).c_str(), kUsage);
    return 2;
}
