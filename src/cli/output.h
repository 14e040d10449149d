#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "engine/search_result.h"

namespace quennit::cli {

enum class Format { Tsv, Json };

// Shift_JIS → UTF-8 for output (invalid bytes become U+FFFD).
std::string Utf8(std::string_view sjis);

// The name of a site's character code (HOST_KANJI): EUC-JP, UTF-8, Shift_JIS.
const char* KanjiName(int kanji);

// Text for a terminal or a text stream (TSV fields, status and error lines,
// check's text): TAB, LF, CR and backslash become \t \n \r \\, every other
// control character (C0, DEL, and C1 as its two UTF-8 bytes) \xHH, so that no
// byte from a page, a site file or an argument can drive the terminal.
std::string EscapeForTerminal(std::string_view utf8);

// A field of a TSV line: the same escapes.
std::string TsvField(std::string_view utf8);

// One JSON value as a line (line end included). Text that is not valid UTF-8
// is written with U+FFFD rather than failing the line; DEL and C1 controls
// as \u00HH, so a JSON line is as safe on a terminal.
std::string JsonLine(const nlohmann::ordered_json& value);

// The same without the line end, for output written in pieces.
std::string JsonText(const nlohmann::ordered_json& value);

// One result (UTF-8) as a line of the chosen format (line end included).
std::string FormatResult(const SearchResult& result, Format format);

// The closing next-page line of `extract` for the JSON format (UTF-8 path).
std::string FormatNextUrlJson(std::string_view path);

}  // namespace quennit::cli
