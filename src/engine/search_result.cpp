#include <cstring>

#include "engine/byte_search.h"
#include "engine/char_refs.h"
#include "engine/extract.h"
#include "platform/text_codec.h"

namespace quennit {

SearchResult MakeResult(const SiteDef& def, std::int32_t order, const std::string& url,
                        const std::string& title, const std::string& text) {
    // The site's own rules see the text as the page has it; what they leave
    // reads as text: in UTF-8, every reference decoded.
    const bool utf8 = def.m_nKanji == kKanjiUtf8;
    const auto readable = [&](std::string field) {
        CleanText(def, field);
        return DecodeTextRefs(utf8 ? field : SjisToUtf8(field));
    };
    SearchResult result;
    result.m_strUrl = utf8 ? url : SjisToUtf8(url);
    result.m_strText = readable(text);
    result.m_strTitle = readable(title);
    result.m_strSiteName = SjisToUtf8(def.m_strHostId);
    result.m_nOrder = order;
    return result;
}

void CleanText(const SiteDef& def, std::string& text) {
    // Separators are rare in a field: let memchr find them.
    for (const char separator : {'\t', '\n'}) {
        char* p = text.data();
        char* const end = p + text.size();
        while ((p = static_cast<char*>(
                    std::memchr(p, separator, static_cast<std::size_t>(end - p)))) != nullptr) {
            *p++ = ' ';
        }
    }
    for (const SiteRule& rule : def.m_cleanRules) {
        const std::string_view value(rule.m_strValue.c_str());
        if (rule.m_strKey != "R_DEL" || value.empty()) {
            continue;
        }
        // A deletion that joins two pieces into a new occurrence deletes that
        // one too. Such an occurrence can start at most value.size() - 1
        // bytes before the deletion (there was none before it), so the next
        // search resumes there instead of at the first byte.
        for (auto pos = FindBytes(text.data(), text.size(), 0, value); pos != SjisString::npos;
             pos = FindBytes(text.data(), text.size(),
                             pos >= value.size() ? pos - (value.size() - 1) : 0, value)) {
            text.erase(pos, value.size());
        }
    }
}

}  // namespace quennit
