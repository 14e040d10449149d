#include "cli/output.h"

#include <nlohmann/json.hpp>

#include "platform/text_codec.h"
#include "sitedef/site_def.h"

namespace quennit::cli {

std::string Utf8(std::string_view sjis) {
    return SjisToUtf8(sjis);
}

const char* KanjiName(int kanji) {
    return kanji == kKanjiEuc ? "EUC-JP" : kanji == kKanjiUtf8 ? "UTF-8" : "Shift_JIS";
}

namespace {

// A C1 control in UTF-8: U+0080..U+009F, which some terminals obey as ESC
// sequences (0x9B is CSI).
bool IsC1At(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]) == 0xC2 && i + 1 < s.size() &&
           static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
           static_cast<unsigned char>(s[i + 1]) <= 0x9F;
}

// TAB, LF, CR and backslash as \t \n \r \\; every other control character
// (C0, DEL, C1) as \xHH, or \u00HH for JSON, where nlohmann has already
// escaped the C0 ones and the separators.
std::string Escape(std::string_view utf8, bool json) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        auto u = static_cast<unsigned char>(c);
        if (json && u >= 0x20 && u != 0x7F && !IsC1At(utf8, i)) {
            out += c;  // the dump has escaped the rest already
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (u < 0x20 || u == 0x7F || IsC1At(utf8, i)) {
            char buf[16];
            if (u == 0xC2) {
                u = static_cast<unsigned char>(utf8[++i]);
                if (!json) {
                    out += "\\xc2";
                }
            }
            std::snprintf(buf, sizeof buf, json ? "\\u%04x" : "\\x%02x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string EscapeForTerminal(std::string_view utf8) {
    return Escape(utf8, false);
}

std::string TsvField(std::string_view utf8) {
    return EscapeForTerminal(utf8);
}

std::string JsonText(const nlohmann::ordered_json& value) {
    // DEL and C1 controls are valid in JSON strings, but not safe on a terminal.
    return Escape(value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace),
                  true);
}

std::string JsonLine(const nlohmann::ordered_json& value) {
    return JsonText(value) + '\n';
}

std::string FormatResult(const SearchResult& result, Format format) {
    const std::string order = std::to_string(result.m_nOrder);
    if (format == Format::Tsv) {
        return TsvField(result.m_strUrl) + '\t' + TsvField(result.m_strTitle) + '\t' +
               TsvField(result.m_strText) + '\t' + TsvField(result.m_strSiteName) + '\t' + order +
               '\n';
    }
    return JsonLine({{"site", result.m_strSiteName},
                     {"url", result.m_strUrl},
                     {"title", result.m_strTitle},
                     {"text", result.m_strText},
                     {"order", result.m_nOrder}});
}

std::string FormatNextUrlJson(std::string_view path) {
    return JsonLine({{"next_url", path}});
}

}  // namespace quennit::cli
