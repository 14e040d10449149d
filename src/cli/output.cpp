#include "cli/output.h"

#include <cstdio>

#include "platform/text_codec.h"

namespace quennit::cli {

std::string Utf8(std::string_view sjis) {
    return SjisToUtf8(sjis);
}

namespace {

// Backslash escapes shared by both formats; JSON also escapes the quote and
// every other control character.
std::string Escape(std::string_view utf8, bool json) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (json && c == '"') {
            out += "\\\"";
        } else if (json && u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string TsvField(std::string_view utf8) {
    return Escape(utf8, false);
}

std::string JsonString(std::string_view utf8) {
    return "\"" + Escape(utf8, true) + "\"";
}

std::string FormatResult(const SearchResult& result, Format format) {
    const std::string order = std::to_string(result.m_nOrder);
    if (format == Format::Tsv) {
        return TsvField(Utf8(result.m_strUrl)) + '\t' + TsvField(Utf8(result.m_strTitle)) + '\t' +
               TsvField(Utf8(result.m_strText)) + '\t' + TsvField(Utf8(result.m_strSiteName)) +
               '\t' + order + '\n';
    }
    return "{\"site\":" + JsonString(Utf8(result.m_strSiteName)) +
           ",\"url\":" + JsonString(Utf8(result.m_strUrl)) +
           ",\"title\":" + JsonString(Utf8(result.m_strTitle)) +
           ",\"text\":" + JsonString(Utf8(result.m_strText)) + ",\"order\":" + order + "}\n";
}

std::string FormatNextUrlJson(std::string_view sjisPath) {
    return "{\"next_url\":" + JsonString(Utf8(sjisPath)) + "}\n";
}

}  // namespace quennit::cli
