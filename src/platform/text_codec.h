#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quennit {

// The one place where text crosses between the program's own encoding
// (Shift_JIS bytes, Windows code page 932) and Unicode. Everything inside the
// core is Shift_JIS; the window and the command-line tool convert here.
//
// The Windows-compatible tables are used on purpose: plain SHIFT_JIS maps
// 0x5C to YEN SIGN and rejects NEC and IBM extension characters.

// Shift_JIS → UTF-8. Bytes that are not valid Shift_JIS become U+FFFD each.
std::string SjisToUtf8(std::string_view sjis);

// UTF-8 → Shift_JIS. nullopt when the text holds a character that Shift_JIS
// cannot represent (or is not valid UTF-8).
std::optional<std::string> Utf8ToSjis(std::string_view utf8);

// UTF-8 → Shift_JIS where each character Shift_JIS lacks (and each invalid
// byte) becomes replacement.
std::string Utf8ToSjisReplacing(std::string_view utf8, std::string_view replacement);

// A UTF-8 page made fit to scan as UTF-8: each maximal invalid subsequence
// (as Unicode's recommended practice counts them) becomes the geta mark 〓,
// a byte order mark at the start is dropped. Cut at maxBytes, never inside a character.
std::string Utf8PageClean(std::string_view utf8, std::size_t maxBytes);

// UTF-16 (little or big endian; a byte order mark is kept as a character,
// never added) ↔ UTF-8. Invalid input (a lone surrogate, a bad UTF-8 byte, a
// last odd byte) becomes U+FFFD for each offending unit.
std::string Utf16ToUtf8(std::string_view utf16, bool bigEndian);
std::string Utf8ToUtf16(std::string_view utf8, bool bigEndian);

// General conversion between two iconv encodings ("CP932", "EUC-JP-MS",
// "UTF-8"). nullopt when any input is invalid or cannot be represented.
std::optional<std::string> ConvertStrict(std::string_view text, const char* from, const char* to);

}  // namespace quennit
