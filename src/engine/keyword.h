#pragma once

#include <optional>
#include <string_view>

#include "sitedef/site_def.h"

namespace quennit {

// Largest field of a captured result and largest EUC keyword, in bytes.
inline constexpr std::size_t kFieldMax = 2047;

// Escapes a keyword's bytes for the request path: a byte of 0x81 or more
// starts a double-byte character and both of its bytes become "%xx"
// (lowercase); a blank becomes '+'; every other byte is copied. A lead byte
// at the very end is escaped alone.
SjisString UrlEscapeKeyword(std::string_view keyword);

// Escapes UTF-8 bytes as a form sends them: letters, digits and "-_.~"
// stay, a blank becomes '+', every other byte "%XX" (uppercase).
std::string UrlEscapeFormBytes(std::string_view utf8);

// Shift_JIS → EUC-JP as a browser's encoder sends it: the JIS X 0208 row
// arithmetic, with the IBM extension characters first moved to their code in
// rows 89-92 (or wherever the character stands first). A lone lead byte at
// the end is dropped; half-width katakana become their EUC single-shift
// form. The text ends at its first NUL byte, as a C string would. nullopt
// when a character has no EUC-JP form (the user-defined area, bytes that are
// no character).
std::optional<SjisString> SjisToEuc(std::string_view sjis);

// EUC-JP → Shift_JIS by the same arithmetic. A lone byte of 0x80 or more at
// the end is kept unchanged; single-shift katakana become one byte, and
// JIS X 0212 characters (no Shift_JIS form) become the geta mark.
SjisString EucToSjis(std::string_view euc);

// Fills a site's request format with the escaped keyword. Only "%s" (the
// keyword, at every occurrence) and "%%" (one percent sign) are
// interpreted; any other '%' is copied as it stands. The format comes from
// the site file, so it must never reach a printf-family function.
SjisString FormatRequestPath(std::string_view format, std::string_view escapedKeyword);

// The keyword (UTF-8, as typed) as it goes into a site's request: a UTF-8
// site gets it escaped by UrlEscapeFormBytes; for any other it is converted
// to Shift_JIS, for an EUC site further to EUC-JP (cut to kFieldMax bytes at
// a character boundary first), then escaped and put into the format.
// nullopt when the site's code can't hold it.
std::optional<SjisString> BuildRequestPath(const SiteDef& site, std::string_view keyword);

}  // namespace quennit
