#pragma once

#include <string>

namespace quennit::cli {

// Each subcommand takes the arguments after its own name and returns the
// process exit code: 0 done, 1 a file could not be used, 2 bad usage.
int RunCheck(int argc, char** argv);
int RunExtract(int argc, char** argv);

// The folder of the running program, ending in '/'.
std::string ProgramFolder();

}  // namespace quennit::cli
