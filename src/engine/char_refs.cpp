#include "engine/char_refs.h"

#include <libxml/HTMLparser.h>

#include <array>
#include <cstdint>
#include <optional>

#include "engine/keyword.h"
#include "platform/text_codec.h"
#include "sitedef/site_def.h"

namespace quennit {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr std::size_t kLongestName = 32;  // far beyond any name in the table

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (hex && c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (hex && c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// What a numeric reference stands for: browsers read 128-159 as the
// Windows-1252 characters pages of old meant by them, and make nothing,
// surrogates and numbers beyond Unicode the replacement character.
char32_t NumericCharacter(std::uint32_t value) {
    static constexpr std::array<char32_t, 32> kWindows1252 = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return kReplacement;
    }
    if (value >= 0x80 && value <= 0x9F) {
        return kWindows1252[value - 0x80];
    }
    return value;
}

// The character a name stands for. Without its ';' only the old names
// count: the Latin-1 ones and amp, lt, gt, quot.
std::optional<char32_t> LookUpName(std::string_view name, bool withoutSemicolon) {
    // Upper-case spellings browsers accept for a few names.
    static constexpr std::pair<std::string_view, std::string_view> kAliases[] = {
        {"AMP", "amp"},   {"LT", "lt"},     {"GT", "gt"},
        {"QUOT", "quot"}, {"COPY", "copy"}, {"REG", "reg"}};
    for (const auto& [alias, real] : kAliases) {
        if (name == alias) {
            name = real;
        }
    }
    const std::string key(name);
    const htmlEntityDesc* entity = htmlEntityLookup(reinterpret_cast<const xmlChar*>(key.c_str()));
    if (entity == nullptr) {
        return std::nullopt;
    }
    const bool old = (entity->value >= 0xA0 && entity->value <= 0xFF) || key == "amp" ||
                     key == "lt" || key == "gt" || key == "quot";
    if (withoutSemicolon && !old) {
        return std::nullopt;
    }
    return static_cast<char32_t>(entity->value);
}

struct Reference {
    char32_t code = 0;
    std::size_t length = 0;  // bytes it takes, the '&' included
};

// The reference that starts at s[at] ('&'), if any.
std::optional<Reference> ReadReference(std::string_view s, std::size_t at, bool attribute) {
    std::size_t i = at + 1;
    if (i < s.size() && s[i] == '#') {
        ++i;
        const bool hex = i < s.size() && (s[i] == 'x' || s[i] == 'X');
        i += hex ? 1 : 0;
        const std::size_t first = i;
        std::uint32_t value = 0;
        for (int d; i < s.size() && (d = DigitValue(s[i], hex)) >= 0; ++i) {
            // Anything past Unicode is as bad as the first number past it.
            value = std::min<std::uint32_t>(value * (hex ? 16 : 10) + static_cast<unsigned>(d),
                                            0x110000);
        }
        if (i == first) {
            return std::nullopt;
        }
        i += i < s.size() && s[i] == ';' ? 1 : 0;
        return Reference{NumericCharacter(value), i - at};
    }
    std::size_t end = i;
    while (end < s.size() && end - i < kLongestName && IsAsciiAlnum(s[end])) {
        ++end;
    }
    if (end < s.size() && s[end] == ';') {
        if (const auto code = LookUpName(s.substr(i, end - i), false)) {
            return Reference{*code, end + 1 - at};
        }
    }
    // The longest old name the letters start with ("&notit;" is ¬ and "it;").
    for (std::size_t n = end - i; n >= 2; --n) {
        if (const auto code = LookUpName(s.substr(i, n), true)) {
            const std::size_t after = i + n;
            // In an attribute "&copy=2" is a parameter, not ©=2.
            if (attribute && after < s.size() && (s[after] == '=' || IsAsciiAlnum(s[after]))) {
                return std::nullopt;
            }
            return Reference{*code, after - at};
        }
    }
    return std::nullopt;
}

// Decodes every reference of s, handing each character to put.
template <typename Put>
std::string Decode(std::string_view s, bool attribute, Put put) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t amp = s.find('&', i);
        out.append(s.substr(i, amp == std::string_view::npos ? s.npos : amp - i));
        if (amp == std::string_view::npos) {
            break;
        }
        if (const auto ref = ReadReference(s, amp, attribute)) {
            put(out, ref->code);
            i = amp + ref->length;
        } else {
            out += '&';
            i = amp + 1;
        }
    }
    return out;
}

bool IsSpace(char32_t c) {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == 0xA0 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000;
}

}  // namespace

std::string DecodeLinkRefs(std::string_view link, int kanji) {
    return Decode(link, true, [kanji](std::string& out, char32_t code) {
        std::string utf8;
        AppendUtf8(utf8, code);
        // ASCII is the same in every code the site can have.
        std::optional<std::string> bytes = utf8;
        if (code >= 0x80 && kanji != kKanjiUtf8) {
            bytes = Utf8ToSjis(utf8);
            if (bytes && kanji == kKanjiEuc) {
                bytes = SjisToEuc(*bytes);
            }
        }
        if (!bytes) {
            out += "%26%23" + std::to_string(static_cast<std::uint32_t>(code)) + "%3B";
            return;
        }
        static constexpr char kHex[] = "0123456789ABCDEF";
        for (const char c : *bytes) {
            const auto b = static_cast<unsigned char>(c);
            if (b <= 0x20 || b >= 0x7F) {
                out += '%';
                out += kHex[b >> 4];
                out += kHex[b & 0x0F];
            } else {
                out += c;
            }
        }
    });
}

std::string DecodeTextRefs(std::string_view utf8) {
    return Decode(utf8, false, [](std::string& out, char32_t code) {
        if (IsSpace(code)) {
            out += ' ';
        } else {
            AppendUtf8(out, code);
        }
    });
}

}  // namespace quennit
