#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quennit::learn {

// A results page's address taken apart for a site block.
struct Address {
    std::string server;  // HOST_ADDR: "host", "host:port", "https://host[:port]"
    std::string object;  // path and query as sent ("/s?q=kw")
    bool https = false;
};

// nullopt for anything but an http or https address with a host.
std::optional<Address> ParseAddress(std::string_view url);

// One place where the keyword stands in an address's path and query.
struct KeywordSpot {
    std::size_t begin = 0;  // bytes of the object the escaped keyword takes
    std::size_t end = 0;
    int kanji = 0;            // the code its bytes are in (kKanji…); 0: ASCII, any code
    bool wholeValue = false;  // a whole query parameter's value
    std::string format;       // HOST_URL_FORMAT: "%s" there, every other '%' doubled
};

// Every place the keyword (UTF-8) stands in object, in any of the codes a
// site may send it in: each byte as itself or as %XX (either case), a blank
// also as '+'. Whole parameter values come first, then in address order.
std::vector<KeywordSpot> FindKeyword(std::string_view object, std::string_view keywordUtf8);

// The code a page declares (Content-Type header first, then <meta> in the
// page's first bytes): kKanji…, or 0 when it declares none that Quennit knows.
int DeclaredCode(std::string_view contentType, std::string_view page);

// The code a page's bytes read as when nothing is declared: UTF-8 when every
// byte beyond ASCII makes valid UTF-8, EUC-JP when they all pair as EUC-JP,
// else Shift_JIS.
int GuessCode(std::string_view page);

// The keyword in the site's code; nullopt when that code can't hold it.
std::optional<std::string> KeywordBytes(std::string_view keywordUtf8, int kanji);

// Page bytes in the site's code → UTF-8 for display and comparisons.
std::string PageTextToUtf8(std::string_view text, int kanji);

}  // namespace quennit::learn
