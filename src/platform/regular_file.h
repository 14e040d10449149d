#pragma once

#include <cstdio>
#include <string>

namespace quennit {

// Opens path for reading in binary mode when it names a regular file
// (symbolic links followed). Anything else is refused without blocking and
// without reading from it: a FIFO would wait for a writer for ever, a device
// such as /dev/zero never ends, a directory reads as nothing. Returns nullptr
// with the reason in error ("Is a directory", "not a regular file", or the
// system's description of a failed open). The caller closes the file.
std::FILE* OpenRegularFile(const std::string& path, std::string& error);

}  // namespace quennit
