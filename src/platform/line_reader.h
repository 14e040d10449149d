#pragma once

#include <cstdio>
#include <string>

namespace quennit {

// Reads a text file line by line the way the site file has always been read:
// a line ends at LF, one CR right before the LF is dropped, lines may be of
// any length, the last line needs no LF, and NUL bytes are ordinary bytes.
class LineReader {
  public:
    // Opens the file for reading. Throws FileException with the system's
    // description of the error when it cannot be opened.
    explicit LineReader(const std::string& path);
    ~LineReader();

    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Reads the next line without its line end; false at the end of the file.
    // Throws FileException on a read error.
    bool ReadLine(std::string& line);

  private:
    std::FILE* m_file = nullptr;
    std::string m_path;
};

}  // namespace quennit
