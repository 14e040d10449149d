#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "learn/learner.h"
#include "platform/regular_file.h"
#include "platform/text_codec.h"

namespace quennit::learn {

namespace {

// Whether a HOST_ID line of text names the site.
bool HasSite(const std::string& text, const std::string& hostId) {
    std::size_t p = 0;
    while (p < text.size()) {
        std::size_t e = text.find('\n', p);
        if (e == std::string::npos) {
            e = text.size();
        }
        std::string line = text.substr(p, e - p);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos && line.substr(0, tab) == "HOST_ID" &&
            line.substr(line.rfind('\t') + 1) == hostId) {
            return true;
        }
        p = e + 1;
    }
    return false;
}

}  // namespace

bool AppendBlock(const std::string& siteFile, const LearnResult& learned,
                 const std::string& address, std::string& error) {
    std::FILE* in = OpenRegularFile(siteFile, error);
    if (in == nullptr) {
        error = "サイト定義ファイル " + siteFile + " を開けません (" + error + ")。";
        return false;
    }
    std::string text;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        text.append(buffer, n);
    }
    const bool readFailed = std::ferror(in) != 0;
    struct stat st {};
    const bool statOk = fstat(fileno(in), &st) == 0;
    std::fclose(in);
    if (readFailed || !statOk) {
        error = "サイト定義ファイル " + siteFile + " を読めません。";
        return false;
    }
    if (HasSite(text, learned.site.m_strHostId)) {
        error = "サイト定義ファイルには「" + SjisToUtf8(learned.site.m_strHostId) +
                "」という HOST_ID のサイトがもうあります。--name で別の名前を付けてください。";
        return false;
    }

    // The file's own line ends; a last line without one gets one first.
    const std::size_t lf = text.find('\n');
    const std::string eol =
        lf != std::string::npos && lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
    std::string added;
    if (!text.empty() && text.back() != '\n') {
        added += eol;
    }
    added +=
        eol +
        Utf8ToSjisReplacing("# Quennit が結果ページから学習したサイト (" + address + ")", "?") +
        eol;
    for (std::size_t p = 0; p < learned.blockSjis.size();) {
        std::size_t e = learned.blockSjis.find('\n', p);
        if (e == std::string::npos) {
            e = learned.blockSjis.size();
        }
        added += learned.blockSjis.substr(p, e - p) + eol;
        p = e + 1;
    }

    // Whole or not at all: a temporary file beside it, then a rename.
    std::string temp = siteFile + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = "一時ファイルを作れません (" + std::string(std::strerror(errno)) + ")。";
        return false;
    }
    const std::string all = text + added;
    std::size_t written = 0;
    while (written < all.size()) {
        const ssize_t w = write(fd, all.data() + written, all.size() - written);
        if (w <= 0) {
            break;
        }
        written += static_cast<std::size_t>(w);
    }
    const bool ok = written == all.size() && fchmod(fd, st.st_mode & 07777) == 0 && fsync(fd) == 0;
    close(fd);
    if (!ok || std::rename(temp.c_str(), siteFile.c_str()) != 0) {
        std::remove(temp.c_str());
        error = "サイト定義ファイル " + siteFile + " に書き込めません。";
        return false;
    }
    return true;
}

}  // namespace quennit::learn
