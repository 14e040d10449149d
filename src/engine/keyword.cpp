#include "engine/keyword.h"

#include <cstdint>
#include <cstdio>
#include <unordered_map>

#include "platform/mbcs.h"
#include "platform/text_codec.h"

namespace quennit {

namespace {

std::string_view UpToNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

void AppendHex(SjisString& out, unsigned char b) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '%';
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
}

unsigned char U8(char c) {
    return static_cast<unsigned char>(c);
}

bool IsSjisTrailByte(unsigned char b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// Lead bytes of the rows that the JIS X 0208 arithmetic maps as a browser's
// EUC-JP encoder does: JIS X 0208 itself, the NEC special row 13 (0x87) and
// the NEC-selected IBM extensions (0xED, 0xEE), which become rows 89-92.
bool IsJisRowLead(unsigned char b) {
    return (b >= 0x81 && b <= 0x84) || (b >= 0x87 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEA) ||
           b == 0xED || b == 0xEE;
}

// The IBM extensions (lead bytes 0xFA-0xFC, where the system's converter puts
// 髙, 﨑, ⅰ and their kin) repeat characters of the rows above. A browser
// sends the first code of the character in those rows; found here through
// the system's own Shift_JIS table, once. nullopt for a character that has
// no such code (the user-defined area, unassigned codes).
std::optional<std::uint16_t> JisRowTwin(std::string_view pair) {
    static const std::unordered_map<std::string, std::uint16_t> kFirstCode = [] {
        std::unordered_map<std::string, std::uint16_t> codes;
        for (unsigned lead = 0x81; lead <= 0xEE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (!IsJisRowLead(static_cast<unsigned char>(lead)) ||
                    !IsSjisTrailByte(static_cast<unsigned char>(trail))) {
                    continue;
                }
                const char code[] = {static_cast<char>(lead), static_cast<char>(trail)};
                const std::string utf8 = SjisToUtf8(std::string_view(code, 2));
                if (utf8.find("\xEF\xBF\xBD") == std::string::npos) {  // no U+FFFD
                    codes.try_emplace(utf8, static_cast<std::uint16_t>(lead << 8 | trail));
                }
            }
        }
        return codes;
    }();
    const auto found = kFirstCode.find(SjisToUtf8(pair));
    if (found == kFirstCode.end()) {
        return std::nullopt;
    }
    return found->second;
}

}  // namespace

SjisString UrlEscapeKeyword(std::string_view keyword) {
    SjisString out;
    out.reserve(keyword.size() * 3);
    for (std::size_t p = 0; p < keyword.size();) {
        const unsigned char b = U8(keyword[p]);
        if (b >= 0x81) {
            AppendHex(out, b);
            if (p + 1 < keyword.size()) {
                AppendHex(out, U8(keyword[p + 1]));
            }
            p += 2;
        } else if (b == 0x20) {
            out += '+';
            ++p;
        } else {
            out += static_cast<char>(b);
            ++p;
        }
    }
    return out;
}

std::string UrlEscapeFormBytes(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size() * 3);
    for (const char c : utf8) {
        const unsigned char b = U8(c);
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
            c == '-' || c == '_' || c == '.' || c == '~') {
            out += c;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        }
    }
    return out;
}

std::optional<SjisString> SjisToEuc(std::string_view sjis) {
    sjis = UpToNul(sjis);
    SjisString out;
    out.reserve(sjis.size() + sjis.size() / 2);
    for (std::size_t i = 0; i < sjis.size();) {
        unsigned char s1 = U8(sjis[i]);
        if (s1 < 0x80) {
            out += static_cast<char>(s1);
            ++i;
            continue;
        }
        if (s1 >= 0xA1 && s1 <= 0xDF) {
            // Half-width katakana: one byte in Shift_JIS, single shift in EUC.
            out += static_cast<char>(0x8E);
            out += static_cast<char>(s1);
            ++i;
            continue;
        }
        if (i + 1 >= sjis.size()) {
            break;  // a lone lead byte at the end is dropped
        }
        unsigned char s2 = U8(sjis[i + 1]);
        if (!IsSjisTrailByte(s2)) {
            return std::nullopt;
        }
        if (!IsJisRowLead(s1)) {
            const auto twin = JisRowTwin(sjis.substr(i, 2));
            if (!twin) {
                return std::nullopt;
            }
            s1 = static_cast<unsigned char>(*twin >> 8);
            s2 = static_cast<unsigned char>(*twin & 0xFF);
        }
        const unsigned d = (2u * s1) & 0xFF;
        unsigned e1;
        unsigned e2;
        if (s2 < 0x9F) {
            e1 = d < 0x3F ? d - 0x61 : d + 0x1F;
            e2 = s2 <= 0x7E ? s2 + 0x61 : s2 + 0x60;
        } else {
            e1 = d < 0x3F ? d - 0x60 : d + 0x20;
            e2 = s2 + 2;
        }
        out += static_cast<char>(e1 & 0xFF);
        out += static_cast<char>(e2 & 0xFF);
        i += 2;
    }
    return out;
}

SjisString EucToSjis(std::string_view euc) {
    euc = UpToNul(euc);
    SjisString out;
    out.reserve(euc.size());
    for (std::size_t i = 0; i < euc.size();) {
        const unsigned char e1 = U8(euc[i]);
        if (e1 < 0x80) {
            out += static_cast<char>(e1);
            ++i;
            continue;
        }
        if (i + 1 >= euc.size()) {
            out += static_cast<char>(e1);  // a lone byte at the end stays
            break;
        }
        const unsigned char e2 = U8(euc[i + 1]);
        if (e1 == 0x8E && e2 >= 0xA1 && e2 <= 0xDF) {
            out += static_cast<char>(e2);
            i += 2;
            continue;
        }
        if (e1 == 0x8F && i + 2 < euc.size()) {
            out += "\x81\xAC";  // geta mark: JIS X 0212 has no Shift_JIS form
            i += 3;
            continue;
        }
        const unsigned h = e1 >> 1;
        unsigned s1;
        unsigned s2;
        if ((e1 & 1) != 0) {
            s1 = e1 <= 0xDD ? h + 0x31 : h + 0x71;
            s2 = e2 <= 0xDF ? e2 - 0x61 : e2 - 0x60;
        } else {
            s1 = e1 <= 0xDE ? h + 0x30 : h + 0x70;
            s2 = e2 - 2;
        }
        out += static_cast<char>(s1 & 0xFF);
        out += static_cast<char>(s2 & 0xFF);
        i += 2;
    }
    return out;
}

SjisString FormatRequestPath(std::string_view format, std::string_view escapedKeyword) {
    SjisString out;
    out.reserve(format.size() + escapedKeyword.size());
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 's') {
                out += escapedKeyword;
                ++i;
                continue;
            }
            if (format[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

std::optional<SjisString> BuildRequestPath(const SiteDef& site, std::string_view keyword) {
    keyword = UpToNul(keyword);
    if (site.m_nKanji == kKanjiUtf8) {
        return FormatRequestPath(site.m_strUrlFormat, UrlEscapeFormBytes(keyword));
    }
    std::optional<SjisString> converted = Utf8ToSjis(keyword);
    if (converted && site.m_nKanji == kKanjiEuc) {
        converted = SjisToEuc(SjisCutAt(*converted, kFieldMax));
    }
    if (!converted) {
        return std::nullopt;
    }
    return FormatRequestPath(site.m_strUrlFormat, UrlEscapeKeyword(*converted));
}

}  // namespace quennit
