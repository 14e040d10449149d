#include "app/settings/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "platform/mbcs.h"
#include "platform/regular_file.h"
#include "platform/text_codec.h"

namespace quennit {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Case-insensitive equality that leaves the second byte of a double-byte
// character alone: 0x83 0x41 and 0x83 0x61 are different characters.
bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsSjisLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
        } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// The name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos || close == 0) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
    line = Trim(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

}  // namespace

ProfileText::ProfileText(std::string bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        m_encoding = Encoding::Utf16Le;
    } else if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
        m_encoding = Encoding::Utf16Be;
    }
    if (m_encoding != Encoding::Bytes) {
        if (bytes.size() % 2 != 0) {
            m_tail = bytes.substr(bytes.size() - 1);
        }
        bytes = Utf16ToUtf8(std::string_view(bytes).substr(0, bytes.size() - m_tail.size()),
                            m_encoding == Encoding::Utf16Be);
    }
    if (std::string_view(bytes).starts_with(kUtf8Bom)) {
        m_bom = kUtf8Bom;
        bytes.erase(0, kUtf8Bom.size());
    }
    m_text = std::move(bytes);
    const std::size_t lf = m_text.find('\n');
    if (lf != std::string::npos) {
        m_eol = lf > 0 && m_text[lf - 1] == '\r' ? "\r\n" : "\n";
    }
}

ProfileText::LineRef ProfileText::LineAt(std::size_t begin) const {
    const std::size_t lf = m_text.find('\n', begin);
    if (lf == std::string::npos) {
        return {begin, m_text.size(), m_text.size()};
    }
    const std::size_t textEnd = lf > begin && m_text[lf - 1] == '\r' ? lf - 1 : lf;
    return {begin, textEnd, lf + 1};
}

std::string_view ProfileText::TextOf(const LineRef& line) const {
    return std::string_view(m_text).substr(line.begin, line.textEnd - line.begin);
}

// Only lines holding a '[' can be section lines, so the search jumps from
// one '[' to the next instead of looking at every line.
std::optional<ProfileText::LineRef> ProfileText::NextSection(std::size_t from) const {
    while (from < m_text.size()) {
        const std::size_t bracket = m_text.find('[', from);
        if (bracket == std::string::npos) {
            break;
        }
        const std::size_t lf = m_text.rfind('\n', bracket);
        const LineRef line = LineAt(lf == std::string::npos || lf < from ? from : lf + 1);
        if (SectionName(TextOf(line))) {
            return line;
        }
        from = line.end;
    }
    return std::nullopt;
}

std::optional<ProfileText::LineRef> ProfileText::FindSection(std::string_view section) const {
    for (auto line = NextSection(0); line; line = NextSection(line->end)) {
        if (NamesEqual(*SectionName(TextOf(*line)), section)) {
            return line;
        }
    }
    return std::nullopt;
}

std::size_t ProfileText::SectionEnd(const LineRef& header) const {
    const auto next = NextSection(header.end);
    return next ? next->begin : m_text.size();
}

// Likewise from one '=' to the next: a key line holds one.
std::optional<ProfileText::LineRef> ProfileText::FindKey(const LineRef& header,
                                                         std::string_view key) const {
    const std::size_t end = SectionEnd(header);
    std::size_t from = header.end;
    while (from < end) {
        const std::size_t eq = m_text.find('=', from);
        if (eq == std::string::npos || eq >= end) {
            break;
        }
        const std::size_t lf = m_text.rfind('\n', eq);
        const LineRef line = LineAt(lf == std::string::npos || lf < from ? from : lf + 1);
        if (NamesEqual(Trim(std::string_view(m_text).substr(line.begin, eq - line.begin)), key)) {
            return line;
        }
        from = line.end;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileText::GetString(std::string_view section,
                                                  std::string_view key) const {
    const auto header = FindSection(section);
    if (!header) {
        return std::nullopt;
    }
    const auto at = FindKey(*header, key);
    if (!at) {
        return std::nullopt;
    }
    const std::string_view text = TextOf(*at);
    std::string_view value = Trim(text.substr(text.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    if (value.empty()) {
        return std::nullopt;
    }
    return std::string(value);
}

std::int32_t ProfileText::GetInt(std::string_view section, std::string_view key,
                                 std::int32_t def) const {
    const auto value = GetString(section, key);
    if (!value) {
        return def;
    }
    std::string_view s = Trim(*value);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    // Unsigned arithmetic: an overlong number wraps instead of overflowing.
    std::uint32_t n = 0;
    while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
        n = n * 10 + static_cast<std::uint32_t>(s.front() - '0');
        s.remove_prefix(1);
    }
    if (negative) {
        n = 0u - n;
    }
    return static_cast<std::int32_t>(n);
}

void ProfileText::InsertLine(std::size_t at, std::string_view text) {
    std::string line(text);
    line += m_eol;
    if (at > 0 && at == m_text.size() && m_text.back() != '\n') {
        line.insert(0, m_eol);  // the last line gets its line end
    }
    m_text.insert(at, line);
}

void ProfileText::SetString(std::string_view section, std::string_view key,
                            std::string_view value) {
    const std::string keyLine = std::string(key) + "=" + std::string(value);
    const auto header = FindSection(section);
    if (!header) {
        InsertLine(m_text.size(), "[" + std::string(section) + "]");
        InsertLine(m_text.size(), keyLine);
        return;
    }
    if (const auto at = FindKey(*header, key)) {
        // Keep the key as it is spelt and the blanks around "=": only the
        // value changes.
        std::size_t start = m_text.find('=', at->begin) + 1;
        while (start < at->textEnd && IsBlank(m_text[start])) {
            ++start;
        }
        m_text.replace(start, at->textEnd - start, value);
        return;
    }
    // After the section's last line that isn't blank or a comment: blank
    // lines and comments at its end usually belong to the next section.
    std::size_t after = header->end;
    for (std::size_t end = SectionEnd(*header); end > header->end;) {
        const std::size_t lf = end >= 2 ? m_text.rfind('\n', end - 2) : std::string::npos;
        const LineRef line = LineAt(lf == std::string::npos ? 0 : lf + 1);
        const std::string_view text = TextOf(line);
        if (!Trim(text).empty() && !IsComment(text)) {
            after = line.end;
            break;
        }
        end = line.begin;
    }
    InsertLine(after, keyLine);
}

void ProfileText::SetInt(std::string_view section, std::string_view key, std::int32_t value) {
    SetString(section, key, std::to_string(value));
}

std::string ProfileText::Bytes() const {
    if (m_encoding != Encoding::Bytes) {
        return Utf8ToUtf16(m_bom + m_text, m_encoding == Encoding::Utf16Be) + m_tail;
    }
    return m_bom + m_text;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::string error;
    std::FILE* f = OpenRegularFile(path, error);
    if (f == nullptr) {
        return std::nullopt;
    }
    std::string content;
    struct stat st {};
    if (::fstat(::fileno(f), &st) == 0 && static_cast<std::size_t>(st.st_size) <= kMaxProfileSize) {
        content.reserve(static_cast<std::size_t>(st.st_size));
    }
    char buffer[65536];
    std::size_t n = 0;
    bool failed = false;
    while (!failed && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        content.append(buffer, n);
        failed = content.size() > kMaxProfileSize;
    }
    failed = failed || std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        return std::nullopt;
    }
    return content;
}

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

bool ReplaceFile(const std::string& path, std::string_view bytes) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target(path);
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::canonical(target, ec);
        if (!ec) {
            target = resolved;
        }
    }

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        // Renaming over a file needs no permission on the file itself, so a
        // read-only file has to be refused here. Root passes access(), hence
        // the look at the mode bits too.
        const bool readOnly = (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                              ::access(target.c_str(), W_OK) != 0;
        if (!S_ISREG(old.st_mode) || readOnly) {
            return false;
        }
    }

    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp =
            target.string() + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, bytes);
    if (ok && exists) {
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here loses nothing.
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace quennit
