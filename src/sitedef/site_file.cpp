#include "sitedef/site_file.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "platform/errors.h"
#include "platform/line_reader.h"
#include "platform/text_codec.h"

namespace quennit {

namespace {

// atol: leading blanks, optional sign, digits up to the first other byte.
// Saturates instead of overflowing on absurdly long digit runs.
std::int32_t ParseLeadingInt(const SjisString& s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = std::min<std::int64_t>(value * 10 + (s[i] - '0'), std::int64_t{1} << 32);
    }
    value = negative ? -value : value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The keys a site file knows. A line that starts with one of them and a
// blank, where a TAB belongs, was written by hand (or an editor turned the
// TAB into spaces).
constexpr std::string_view kKnownKeys[] = {
    "SITE_FILE_VER", "HOST_ID",    "HOST_ADDR",  "HOST_URL_FORMAT",
    "HOST_MAXCOUNT", "HOST_GROUP", "HOST_KANJI", "HOST_LINKDV",
    "STARTWORD",     "ENDWORD",    "T_SEARCH",   "T_NEXTURL",
    "SEARCH",        "URL",        "TITLE",      "TEXT",
    "TITLEADD",      "TEXTADD",    "ADDSTRING",  "R_DEL",
};

// The known key a line starts with when a blank follows it, or empty.
std::string_view SpacedKey(std::string_view line) {
    const std::string_view word = line.substr(0, line.find_first_of(" \t"));
    if (word.size() == line.size() || line[word.size()] != ' ') {
        return {};
    }
    return std::find(std::begin(kKnownKeys), std::end(kKnownKeys), word) != std::end(kKnownKeys)
               ? word
               : std::string_view();
}

bool HasHighByte(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Reads every line of reader into the table, which it empties first.
// Throws FileException on a read error, with the sites read so far stored.
void ReadSites(LineReader& reader, SiteTable& table, const ServerSink& setServer,
               std::vector<SiteFileNote>* notes) {
    const auto note = [notes](SiteFileNote::Kind kind, long line, std::uint32_t site,
                              std::string_view key) {
        if (notes != nullptr) {
            notes->push_back({kind, line, site, SjisString(key)});
        }
    };
    table.RemoveAll();
    SiteDef current;
    std::uint32_t count = 0;
    long lineNo = 0;
    bool bareCrSeen = false;
    // For the notes: whether every line with bytes beyond ASCII so far is
    // UTF-8, and the first such line.
    bool allUtf8 = true;
    long firstHighLine = 0;
    std::string line;
    const auto storeCurrent = [&] {
        if (count != 0) {
            table.Store(count, std::move(current));
        }
    };
    try {
        while (reader.ReadLine(line)) {
            ++lineNo;
            if (!bareCrSeen && line.find('\r') != std::string::npos) {
                bareCrSeen = true;
                note(SiteFileNote::Kind::BareCr, lineNo, count, {});
            }
            if (lineNo == 1 && line.starts_with(kUtf8Bom)) {
                // The mark is part of the first key, so a HOST_ID there
                // opens no site: say which site that costs.
                note(SiteFileNote::Kind::ByteOrderMark, 1, 0, {});
                const std::string_view rest = std::string_view(line).substr(kUtf8Bom.size());
                if (rest.starts_with("HOST_ID\t")) {
                    // Read as written this is a rule before the first site,
                    // which no site keeps: nothing else to do with it.
                    note(SiteFileNote::Kind::LostSite, 1, 0, rest.substr(rest.rfind('\t') + 1));
                    continue;
                }
            }
            if (const std::string_view text = std::string_view(line).substr(
                    lineNo == 1 && line.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0);
                notes != nullptr && allUtf8 && HasHighByte(text)) {
                firstHighLine = firstHighLine == 0 ? lineNo : firstHighLine;
                allUtf8 = ConvertStrict(text, "UTF-8", "UTF-8").has_value();
            }
            if (line.empty() || line[0] == '#') {
                continue;
            }
            const std::string_view spaced = SpacedKey(line);
            if (!spaced.empty()) {
                note(SiteFileNote::Kind::SpacedKey, lineNo, count, spaced);
            }
            const auto firstTab = line.find('\t');
            if (firstTab == std::string::npos) {
                continue;
            }
            SjisString key = line.substr(0, firstTab);
            SjisString value = line.substr(line.rfind('\t') + 1);

            if (key == "SITE_FILE_VER") {
                table.SetSiteFileVer(value);
                continue;
            }
            if (key == "HOST_ID") {
                storeCurrent();
                current = SiteDef{};
                current.m_strHostId = std::move(value);
                ++count;
                table.SetSiteCount(static_cast<int>(count));
                continue;
            }
            if (key.empty()) {
                continue;
            }
            if (count == 0 && spaced.empty()) {
                note(SiteFileNote::Kind::BeforeFirstSite, lineNo, 0, key);
            }
            if (key == "HOST_ADDR") {
                if (setServer) {
                    setServer(count, value);
                }
            } else if (key == "HOST_URL_FORMAT") {
                current.m_strUrlFormat = std::move(value);
            } else if (key == "HOST_MAXCOUNT") {
                current.m_nMaxCount = ParseLeadingInt(value);
            } else if (key == "HOST_GROUP") {
                current.m_strGroup = std::move(value);
            } else if (key == "HOST_KANJI") {
                current.m_nKanji = KanjiCode(value);
            } else if (key == "HOST_LINKDV") {
                current.m_strLinkDv = std::move(value);
            } else if (key == "STARTWORD") {
                current.m_strStartWord = std::move(value);
            } else if (key == "ENDWORD") {
                current.m_strEndWord = std::move(value);
            } else {
                std::replace(value.begin(), value.end(), '^', '\n');
                if (!AddRule(current, key, std::move(value))) {
                    note(SiteFileNote::Kind::RuleBeyondLimit, lineNo, count, key);
                }
            }
        }
    } catch (const FileException&) {
        storeCurrent();
        throw;
    }
    storeCurrent();
    if (allUtf8 && firstHighLine != 0) {
        note(SiteFileNote::Kind::Utf8Text, firstHighLine, 0, {});
    }
}

}  // namespace

bool LoadSiteFile(const std::string& path, SiteTable& table, const ServerSink& setServer,
                  std::string& error, std::vector<SiteFileNote>* notes) {
    try {
        LineReader reader(path);
        ReadSites(reader, table, setServer, notes);
    } catch (const FileException& e) {
        error = e.what();
        return false;
    }
    return true;
}

void LoadSiteText(std::string_view text, SiteTable& table, const ServerSink& setServer,
                  std::vector<SiteFileNote>* notes) {
    LineReader reader(LineReader::InMemory{text});
    ReadSites(reader, table, setServer, notes);
}

int KanjiCode(std::string_view value) {
    if (value.find("EUC") != std::string_view::npos) {
        return kKanjiEuc;
    }
    std::string upper(value);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return upper.find("UTF-8") != std::string::npos || upper.find("UTF8") != std::string::npos
               ? kKanjiUtf8
               : kKanjiSjis;
}

}  // namespace quennit
