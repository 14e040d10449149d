#include "app/settings/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>

#include "platform/mbcs.h"
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

ProfileText::ProfileText(std::string_view bytes) {
    std::string decoded;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        m_encoding = Encoding::Utf16Le;
    } else if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
        m_encoding = Encoding::Utf16Be;
    }
    if (m_encoding != Encoding::Bytes) {
        if (bytes.size() % 2 != 0) {
            m_tail = bytes.substr(bytes.size() - 1);
        }
        decoded = Utf16ToUtf8(bytes.substr(0, bytes.size() - m_tail.size()),
                              m_encoding == Encoding::Utf16Be);
        bytes = decoded;
    }
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        m_bom = kUtf8Bom;
        bytes.remove_prefix(kUtf8Bom.size());
    }

    bool eolSeen = false;
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        Line line;
        if (lf == std::string_view::npos) {
            line.text = bytes;
            bytes = {};
        } else {
            std::size_t end = lf;
            if (end > 0 && bytes[end - 1] == '\r') {
                --end;
            }
            line.text = bytes.substr(0, end);
            line.eol = bytes.substr(end, lf + 1 - end);
            bytes.remove_prefix(lf + 1);
            if (!eolSeen) {
                m_eol = line.eol;
                eolSeen = true;
            }
        }
        m_lines.push_back(std::move(line));
    }
}

std::size_t ProfileText::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = SectionName(m_lines[i].text);
        if (name && NamesEqual(*name, section)) {
            return i;
        }
    }
    return std::string::npos;
}

std::size_t ProfileText::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < m_lines.size() && !SectionName(m_lines[i].text)) {
        ++i;
    }
    return i;
}

std::size_t ProfileText::FindKey(std::size_t header, std::string_view key) const {
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const std::string_view text = m_lines[i].text;
        const std::size_t eq = text.find('=');
        if (eq != std::string_view::npos && NamesEqual(Trim(text.substr(0, eq)), key)) {
            return i;
        }
    }
    return std::string::npos;
}

std::optional<std::string> ProfileText::GetString(std::string_view section,
                                                  std::string_view key) const {
    const std::size_t header = FindSection(section);
    if (header == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t at = FindKey(header, key);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const std::string_view text = m_lines[at].text;
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

void ProfileText::InsertLine(std::size_t at, std::string text) {
    if (at > 0 && m_lines[at - 1].eol.empty()) {
        m_lines[at - 1].eol = m_eol;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), m_eol});
}

void ProfileText::SetString(std::string_view section, std::string_view key,
                            std::string_view value) {
    const std::string keyLine = std::string(key) + "=" + std::string(value);
    const std::size_t header = FindSection(section);
    if (header == std::string::npos) {
        InsertLine(m_lines.size(), "[" + std::string(section) + "]");
        InsertLine(m_lines.size(), keyLine);
        return;
    }
    const std::size_t at = FindKey(header, key);
    if (at != std::string::npos) {
        // Keep the key as it is spelt and the blanks around "=": only the
        // value changes.
        std::string& text = m_lines[at].text;
        std::size_t start = text.find('=') + 1;
        while (start < text.size() && IsBlank(text[start])) {
            ++start;
        }
        text.replace(start, std::string::npos, value);
        return;
    }
    // After the section's last line that isn't blank or a comment: blank
    // lines and comments at its end usually belong to the next section.
    std::size_t after = header;
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (!Trim(m_lines[i].text).empty() && !IsComment(m_lines[i].text)) {
            after = i;
        }
    }
    InsertLine(after + 1, keyLine);
}

void ProfileText::SetInt(std::string_view section, std::string_view key, std::int32_t value) {
    SetString(section, key, std::to_string(value));
}

std::string ProfileText::Bytes() const {
    std::string out = m_bom;
    for (const Line& line : m_lines) {
        out += line.text;
        out += line.eol;
    }
    if (m_encoding != Encoding::Bytes) {
        out = Utf8ToUtf16(out, m_encoding == Encoding::Utf16Be) + m_tail;
    }
    return out;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        content.append(buffer, n);
    }
    const bool failed = std::ferror(f) != 0;
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
