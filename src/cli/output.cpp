#include "cli/output.h"

#include <nlohmann/json.hpp>

#include "platform/text_codec.h"

namespace quennit::cli {

std::string Utf8(std::string_view sjis) {
    return SjisToUtf8(sjis);
}

namespace {

std::string Escape(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string TsvField(std::string_view utf8) {
    return Escape(utf8);
}

std::string JsonLine(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + '\n';
}

std::string FormatResult(const SearchResult& result, Format format) {
    const std::string order = std::to_string(result.m_nOrder);
    if (format == Format::Tsv) {
        return TsvField(Utf8(result.m_strUrl)) + '\t' + TsvField(Utf8(result.m_strTitle)) + '\t' +
               TsvField(Utf8(result.m_strText)) + '\t' + TsvField(Utf8(result.m_strSiteName)) +
               '\t' + order + '\n';
    }
    return JsonLine({{"site", Utf8(result.m_strSiteName)},
                     {"url", Utf8(result.m_strUrl)},
                     {"title", Utf8(result.m_strTitle)},
                     {"text", Utf8(result.m_strText)},
                     {"order", result.m_nOrder}});
}

std::string FormatNextUrlJson(std::string_view sjisPath) {
    return JsonLine({{"next_url", Utf8(sjisPath)}});
}

}  // namespace quennit::cli
