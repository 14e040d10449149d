#pragma once

#include <cstddef>
#include <string_view>

namespace quennit {

// Byte-wise substring search from `from` in text[0, size): the position of
// the first occurrence of marker (non-empty), or std::string_view::npos.
//
// Result pages are scanned for short markers ("<br>", "</a>") that memmem
// handles one or two bytes at a time; comparing a marker's first and last
// bytes 16 positions at once and checking only where both match keeps the
// scan close to the speed of a plain memchr.
std::size_t FindBytes(const char* text, std::size_t size, std::size_t from,
                      std::string_view marker);

}  // namespace quennit
