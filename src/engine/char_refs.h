#pragma once

#include <string>
#include <string_view>

namespace quennit {

// HTML character references (&amp; &eacute; &#233; &#xE9;) decoded by the
// rules a browser follows: the HTML 4 names (libxml2's table) and the few
// upper-case aliases browsers add, decimal and hexadecimal numbers, a
// missing ';' accepted only for the old Latin-1 names and for numbers, an
// unknown name or a lone '&' left as it stands.

// A captured link or next-page path, as a browser reads an attribute value:
// a name without ';' followed by '=' or a letter or digit stays (so
// "?a=1&copy=2" keeps its parameter). Bytes are in the site's code
// (kanji: kKanjiEuc, kKanjiSjis or kKanjiUtf8); a decoded character goes
// in that code, and one that can't stand in a request (a blank, a control,
// anything beyond ASCII) as %XX of its bytes. A character the code can't
// hold goes as its reference, escaped ("%26%23NNN%3B"), as browsers send it.
std::string DecodeLinkRefs(std::string_view link, int kanji);

// A title or description (UTF-8): references become their characters; one
// that stands for a space (&nbsp;, &ensp;, &#x3000;, a tab or line end)
// becomes a plain blank. Nothing else changes.
std::string DecodeTextRefs(std::string_view utf8);

}  // namespace quennit
