#include "sitedef/site_file.h"

#include <algorithm>
#include <cstdlib>

#include "platform/errors.h"
#include "platform/line_reader.h"

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

void AddRule(RuleList& list, int& count, const SjisString& key, SjisString value, long line,
             std::uint32_t site, std::vector<SiteFileNote>* notes) {
    if (count >= kMaxRules) {
        if (notes != nullptr) {
            notes->push_back({SiteFileNote::Kind::RuleBeyondLimit, line, site, key});
        }
        return;
    }
    std::replace(value.begin(), value.end(), '^', '\n');
    list[static_cast<std::size_t>(count)] = SiteRule{key, std::move(value)};
    ++count;
}

bool StartsWith(const SjisString& key, const char* prefix) {
    return key.size() >= 2 && key.compare(0, 2, prefix) == 0;
}

}  // namespace

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

bool LoadSiteFile(const std::string& path, SiteTable& table, const ServerSink& setServer,
                  std::string& error, std::vector<SiteFileNote>* notes) {
    std::optional<LineReader> reader;
    try {
        reader.emplace(path);
    } catch (const FileException& e) {
        error = e.what();
        return false;
    }

    table.RemoveAll();
    SiteDef current;
    std::uint32_t count = 0;
    long lineNo = 0;
    std::string line;
    const auto storeCurrent = [&] {
        if (count != 0) {
            table.Store(count, current);
        }
    };
    try {
        while (reader->ReadLine(line)) {
            ++lineNo;
            if (line.empty() || line[0] == '#') {
                continue;
            }
            const auto firstTab = line.find('\t');
            if (firstTab == std::string::npos) {
                continue;
            }
            const SjisString key = line.substr(0, firstTab);
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
            if (count == 0 && notes != nullptr) {
                notes->push_back({SiteFileNote::Kind::BeforeFirstSite, lineNo, 0, key});
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
            } else if (StartsWith(key, "T_")) {
                AddRule(current.m_pageRules, current.m_nPageRules, key, std::move(value), lineNo,
                        count, notes);
            } else if (StartsWith(key, "R_")) {
                AddRule(current.m_cleanRules, current.m_nCleanRules, key, std::move(value), lineNo,
                        count, notes);
            } else {
                AddRule(current.m_entryRules, current.m_nEntryRules, key, std::move(value), lineNo,
                        count, notes);
            }
        }
    } catch (const FileException& e) {
        storeCurrent();
        error = e.what();
        return false;
    }
    storeCurrent();
    return true;
}

}  // namespace quennit
