#include "platform/line_reader.h"

#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace quennit {

LineReader::LineReader(const std::string& path) : m_path(path) {
    m_file = std::fopen(path.c_str(), "rb");
    if (m_file == nullptr) {
        throw FileException(path + ": " + std::strerror(errno));
    }
}

LineReader::~LineReader() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

bool LineReader::ReadLine(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        const int c = getc_unlocked(m_file);
        if (c == EOF) {
            if (std::ferror(m_file) != 0) {
                throw FileException(m_path + ": " + std::strerror(errno));
            }
            break;
        }
        any = true;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
    return any;
}

}  // namespace quennit
