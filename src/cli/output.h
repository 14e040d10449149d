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

// A field of a TSV line: TAB, LF, CR and backslash written as \t \n \r \\.
std::string TsvField(std::string_view utf8);

// One JSON value as a line (line end included). Text that is not valid UTF-8
// is written with U+FFFD rather than failing the line.
std::string JsonLine(const nlohmann::ordered_json& value);

// One result as a line of the chosen format (line end included), UTF-8.
std::string FormatResult(const SearchResult& result, Format format);

// The closing next-page line of `extract` for the JSON format.
std::string FormatNextUrlJson(std::string_view sjisPath);

}  // namespace quennit::cli
