#pragma once

namespace quennit::cli {

// `quennit-cli search [--sites FILE] [--group NAME] [--timeout SECONDS]
// [--retry N] [--format tsv|json] KEYWORD`; argv holds the words after
// "search". Results go to stdout as they arrive, status and error lines to
// stderr as the window's status line shows them. Returns 0 when the run
// completed, 1 when the site file can't be loaded, 2 on bad usage and 130
// when stopped with Ctrl-C.
int RunSearch(int argc, char** argv);

}  // namespace quennit::cli
