// Temporary entry point of the net branch: only `search` is wired here; the
// full dispatcher lives on main.
#include <cstdio>
#include <cstring>

#include "cli/search.h"

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "search") == 0) {
        return quennit::cli::RunSearch(argc - 2, argv + 2);
    }
    std::fputs("usage: quennit-cli search [options] KEYWORD\n", stderr);
    return 2;
}
