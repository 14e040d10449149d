#include "platform/line_reader.h"

#include <cerrno>
#include <cstring>

#include "platform/errors.h"
#include "platform/regular_file.h"

namespace quennit {

LineReader::LineReader(const std::string& path) : m_path(path) {
    std::string error;
    m_file = OpenRegularFile(path, error);
    if (m_file == nullptr) {
        throw FileException(path + ": " + error);
    }
}

LineReader::LineReader(InMemory text) : m_bytes(text.bytes) {}

LineReader::~LineReader() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

bool LineReader::ReadLine(std::string& line) {
    line.clear();
    if (m_file == nullptr) {
        if (m_bytes.empty()) {
            return false;
        }
        const std::size_t lf = m_bytes.find('\n');
        line.assign(m_bytes.substr(0, lf));
        m_bytes.remove_prefix(lf == std::string_view::npos ? m_bytes.size() : lf + 1);
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        return true;
    }
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
