#include "engine/diagnose.h"

#include <algorithm>
#include <cctype>

#include "platform/text_codec.h"

namespace quennit {

namespace {

constexpr std::size_t npos = std::string_view::npos;
// How far into a page a <meta> declaration is looked for.
constexpr std::size_t kMetaScanBytes = 64 * 1024;

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool IsNameByte(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_' || c == '.' ||
           c == ':';
}

// The value of "charset=" in text (an attribute list or a header value),
// as written; empty when there is none.
std::string CharsetValue(std::string_view text) {
    const std::string lower = Lower(text);
    for (std::size_t at = lower.find("charset"); at != npos; at = lower.find("charset", at + 1)) {
        std::size_t i = at + 7;
        while (i < text.size() && text[i] == ' ') {
            ++i;
        }
        if (i >= text.size() || text[i] != '=') {
            continue;
        }
        ++i;
        while (i < text.size() && (text[i] == ' ' || text[i] == '"' || text[i] == '\'')) {
            ++i;
        }
        std::size_t end = i;
        while (end < text.size() && IsNameByte(text[end])) {
            ++end;
        }
        if (end > i) {
            return std::string(text.substr(i, end - i));
        }
    }
    return {};
}

// A rule value as the scan sees it: up to its first NUL, in the page's code.
std::string MarkerOf(const SjisString& value, int kanji) {
    const std::string_view marker(value.c_str());
    return kanji == kKanjiUtf8 ? SjisToUtf8(marker) : std::string(marker);
}

}  // namespace

DeclaredCharset FindDeclaredCharset(std::string_view contentType, std::string_view page) {
    if (std::string name = CharsetValue(contentType); !name.empty()) {
        return {DeclaredCharset::Source::Header, std::move(name)};
    }
    const std::string head = Lower(page.substr(0, kMetaScanBytes));
    for (std::size_t at = head.find("<meta"); at != npos; at = head.find("<meta", at + 5)) {
        const std::size_t close = head.find('>', at);
        const std::string_view tag = page.substr(at, close == npos ? npos : close - at);
        if (std::string name = CharsetValue(tag); !name.empty()) {
            return {DeclaredCharset::Source::Meta, std::move(name)};
        }
    }
    return {};
}

std::optional<int> CharsetKanji(std::string_view name) {
    std::string key;
    for (const char c : Lower(name)) {
        if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
            key += c;
        }
    }
    for (const char* sjis :
         {"shiftjis", "sjis", "xsjis", "windows31j", "cp932", "ms932", "mskanji", "csshiftjis"}) {
        if (key == sjis) {
            return kKanjiSjis;
        }
    }
    if (key == "eucjp" || key == "xeucjp" || key == "cseucpkdfmtjapanese") {
        return kKanjiEuc;
    }
    if (key == "utf8") {
        return kKanjiUtf8;
    }
    if (key == "usascii" || key == "ascii") {
        return 0;
    }
    return std::nullopt;
}

PageDiagnosis DiagnosePage(std::string_view page, const SiteDef& site, std::string_view server,
                           std::string_view contentType) {
    PageDiagnosis d;
    page = page.substr(0, page.find('\0'));
    d.charset = FindDeclaredCharset(contentType, page);
    if (d.charset.source != DeclaredCharset::Source::None) {
        const auto kanji = CharsetKanji(d.charset.name);
        d.charsetMismatch = !kanji || (*kanji != 0 && *kanji != site.m_nKanji);
    }
    d.extract = ExtractPage(page, site, server);

    // Where the entries are looked for: from STARTWORD to ENDWORD.
    const int kanji = site.m_nKanji;
    std::size_t begin = 0;
    if (const std::string start = MarkerOf(site.m_strStartWord, kanji); !start.empty()) {
        begin = page.find(start);
        d.startWord = begin == npos ? PageDiagnosis::Marker::Missing : PageDiagnosis::Marker::Found;
    }
    std::size_t end = npos;
    if (const std::string endWord = MarkerOf(site.m_strEndWord, kanji); !endWord.empty()) {
        end = page.find(endWord, begin == npos ? 0 : begin);
        d.endWord = end == npos ? PageDiagnosis::Marker::Missing : PageDiagnosis::Marker::Found;
    }
    if (!d.extract.results.empty() || begin == npos) {
        return d;
    }
    const std::string_view list = page.substr(begin, end == npos ? npos : end - begin);
    for (std::size_t i = 0; i < site.m_entryRules.size(); ++i) {
        const SiteRule& rule = site.m_entryRules[i];
        const std::string marker = MarkerOf(rule.m_strValue, kanji);
        if (rule.m_strKey != "ADDSTRING" && !marker.empty() && list.find(marker) == npos) {
            d.missingRule = i + 1;
            break;
        }
    }
    return d;
}

}  // namespace quennit
