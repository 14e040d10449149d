#include "learn/request_format.h"

#include <algorithm>
#include <cctype>

#include "engine/keyword.h"
#include "platform/text_codec.h"
#include "sitedef/site_def.h"

namespace quennit::learn {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Length of the escaped form of bytes at object[at], or 0 when it is not there.
std::size_t MatchEscaped(std::string_view object, std::size_t at, std::string_view bytes) {
    std::size_t p = at;
    for (const char b : bytes) {
        if (p >= object.size()) {
            return 0;
        }
        if (object[p] == '%' && p + 2 < object.size()) {
            const int hi = HexValue(object[p + 1]);
            const int lo = HexValue(object[p + 2]);
            if (hi >= 0 && lo >= 0 && static_cast<char>(hi * 16 + lo) == b) {
                p += 3;
                continue;
            }
        }
        if (object[p] == b || (b == ' ' && object[p] == '+')) {
            ++p;
            continue;
        }
        return 0;
    }
    return p - at;
}

// Doubles every '%' so that the format says only what "%s" says.
std::string DoublePercent(std::string_view s) {
    std::string out;
    for (const char c : s) {
        out += c;
        if (c == '%') {
            out += '%';
        }
    }
    return out;
}

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

int CodeOfName(std::string name) {
    name = Lower(name);
    if (name.find("utf-8") != std::string::npos || name.find("utf8") != std::string::npos) {
        return kKanjiUtf8;
    }
    if (name.find("euc") != std::string::npos) {
        return kKanjiEuc;
    }
    if (name.find("shift_jis") != std::string::npos || name.find("sjis") != std::string::npos ||
        name.find("shift-jis") != std::string::npos ||
        name.find("windows-31j") != std::string::npos || name.find("cp932") != std::string::npos ||
        name.find("ms932") != std::string::npos) {
        return kKanjiSjis;
    }
    return 0;
}

// The charset named after "charset=" in text, as a code.
int CharsetIn(std::string_view text) {
    const std::string lower = Lower(text);
    const auto at = lower.find("charset=");
    if (at == std::string::npos) {
        return 0;
    }
    std::size_t p = at + 8;
    while (p < lower.size() && (lower[p] == '"' || lower[p] == '\'' || lower[p] == ' ')) {
        ++p;
    }
    std::size_t e = p;
    while (e < lower.size() && (std::isalnum(static_cast<unsigned char>(lower[e])) != 0 ||
                                lower[e] == '-' || lower[e] == '_')) {
        ++e;
    }
    return CodeOfName(lower.substr(p, e - p));
}

}  // namespace

std::optional<Address> ParseAddress(std::string_view url) {
    Address out;
    const std::string lower = Lower(url.substr(0, 8));
    std::size_t rest = 0;
    if (lower.rfind("http://", 0) == 0) {
        rest = 7;
    } else if (lower.rfind("https://", 0) == 0) {
        rest = 8;
        out.https = true;
    } else {
        return std::nullopt;
    }
    const std::size_t slash = url.find_first_of("/?#", rest);
    std::string host(url.substr(rest, slash == std::string_view::npos ? url.npos : slash - rest));
    if (host.empty() || host.find_first_of(" \t@") != std::string::npos) {
        return std::nullopt;
    }
    host = Lower(host);
    // The scheme's own port says nothing.
    const std::string defaultPort = out.https ? ":443" : ":80";
    if (host.size() > defaultPort.size() &&
        host.compare(host.size() - defaultPort.size(), defaultPort.size(), defaultPort) == 0) {
        host.resize(host.size() - defaultPort.size());
    }
    out.server = out.https ? "https://" + host : host;
    std::string object(slash == std::string_view::npos ? "/" : url.substr(slash));
    object = object.substr(0, object.find('#'));
    out.object = object.empty() || object[0] != '/' ? "/" + object : object;
    return out;
}

std::vector<KeywordSpot> FindKeyword(std::string_view object, std::string_view keywordUtf8) {
    std::vector<KeywordSpot> spots;
    if (keywordUtf8.empty()) {
        return spots;
    }
    for (const int kanji : {kKanjiUtf8, kKanjiSjis, kKanjiEuc}) {
        const auto bytes = KeywordBytes(keywordUtf8, kanji);
        if (!bytes || bytes->empty()) {
            continue;
        }
        const int code = IsAscii(*bytes) ? 0 : kanji;
        for (std::size_t at = 0; at < object.size(); ++at) {
            const std::size_t length = MatchEscaped(object, at, *bytes);
            if (length == 0) {
                continue;
            }
            const bool dup = std::any_of(spots.begin(), spots.end(), [&](const KeywordSpot& s) {
                return s.begin == at && s.end == at + length;
            });
            if (dup) {
                continue;
            }
            KeywordSpot spot;
            spot.begin = at;
            spot.end = at + length;
            spot.kanji = code;
            spot.wholeValue =
                at > 0 && object[at - 1] == '=' &&
                (spot.end == object.size() || object[spot.end] == '&' || object[spot.end] == ';');
            spot.format =
                DoublePercent(object.substr(0, at)) + "%s" + DoublePercent(object.substr(spot.end));
            spots.push_back(std::move(spot));
            at += length - 1;
        }
    }
    std::stable_sort(spots.begin(), spots.end(), [](const KeywordSpot& a, const KeywordSpot& b) {
        return a.wholeValue != b.wholeValue ? a.wholeValue : a.begin < b.begin;
    });
    return spots;
}

int DeclaredCode(std::string_view contentType, std::string_view page) {
    if (const int code = CharsetIn(contentType)) {
        return code;
    }
    const std::string_view head = page.substr(0, 4096);
    std::size_t at = 0;
    while ((at = Lower(head).find("<meta", at)) != std::string::npos) {
        const std::size_t end = head.find('>', at);
        if (const int code = CharsetIn(head.substr(at, end == head.npos ? head.npos : end - at))) {
            return code;
        }
        ++at;
    }
    return 0;
}

int GuessCode(std::string_view page) {
    if (IsAscii(page)) {
        return kKanjiSjis;
    }
    if (ConvertStrict(page, "UTF-8", "UTF-8")) {
        return kKanjiUtf8;
    }
    bool euc = true;
    for (std::size_t i = 0; i < page.size() && euc; ++i) {
        const auto b = static_cast<unsigned char>(page[i]);
        if (b >= 0x80) {
            const auto t = i + 1 < page.size() ? static_cast<unsigned char>(page[i + 1]) : 0;
            euc = (b == 0x8E || (b >= 0xA1 && b <= 0xFE)) && t >= 0xA1 && t <= 0xFE;
            ++i;
        }
    }
    return euc ? kKanjiEuc : kKanjiSjis;
}

std::optional<std::string> KeywordBytes(std::string_view keywordUtf8, int kanji) {
    if (kanji == kKanjiUtf8) {
        return std::string(keywordUtf8);
    }
    auto sjis = Utf8ToSjis(keywordUtf8);
    if (sjis && kanji == kKanjiEuc) {
        return SjisToEuc(*sjis);
    }
    return sjis;
}

std::string PageTextToUtf8(std::string_view text, int kanji) {
    if (kanji == kKanjiUtf8) {
        return Utf8PageClean(text, text.size());
    }
    return SjisToUtf8(kanji == kKanjiEuc ? EucToSjis(text) : std::string(text));
}

}  // namespace quennit::learn
