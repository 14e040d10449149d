#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace quennit {

// Reads a text file line by line the way the site file has always been read:
// a line ends at LF, one CR right before the LF is dropped, lines may be of
// any length, the last line needs no LF, and NUL bytes are ordinary bytes.
class LineReader {
  public:
    // Text already in memory, read the same way (not copied: it must outlive
    // the reader).
    struct InMemory {
        std::string_view bytes;
    };

    // Opens the file for reading. Throws FileException with the system's
    // description of the error when it cannot be opened or is no regular
    // file (a FIFO, a device, a directory).
    explicit LineReader(const std::string& path);
    explicit LineReader(InMemory text);
    ~LineReader();

    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Reads the next line without its line end; false at the end of the file.
    // Throws FileException on a read error.
    bool ReadLine(std::string& line);

  private:
    std::FILE* m_file = nullptr;
    std::string_view m_bytes;  // the rest of an in-memory text
    std::string m_path;
};

}  // namespace quennit
