#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quennit {

// The text of a bracket-section initialization file ("[SECTION]" lines,
// "key=value" lines), read and changed by the rules of the Windows
// private-profile functions:
// - section and key names match without regard to case (ASCII letters only;
//   the trail byte of a Shift_JIS character is never folded);
// - blanks around names and values don't count, and one pair of matching
//   quotes around a value is dropped;
// - only the first section of a name counts, and in it the first key of a
//   name;
// - a write replaces the value of that key where it stands, adds a missing key
//   after the last key of its section and a missing section at the end.
// Every line that a write doesn't change keeps its bytes and its line end.
// New lines take the line end of the file's first line (CR LF for an empty
// file). A UTF-8 byte order mark is kept, and a UTF-16 file (little or big
// endian, with its mark) is read and written back in UTF-16.
class ProfileText {
  public:
    ProfileText() = default;
    explicit ProfileText(std::string_view bytes);

    // The value's text; nullopt when the section or the key is missing or the
    // value is empty.
    std::optional<std::string> GetString(std::string_view section, std::string_view key) const;

    // The integer that the value begins with (blanks, then an optional sign,
    // then decimal digits; wraps around like the platform's conversion); 0
    // for a value that doesn't begin with a number; def for a missing key or
    // an empty value.
    std::int32_t GetInt(std::string_view section, std::string_view key, std::int32_t def) const;

    void SetString(std::string_view section, std::string_view key, std::string_view value);
    void SetInt(std::string_view section, std::string_view key, std::int32_t value);

    // The whole file as it is to be written.
    std::string Bytes() const;

  private:
    enum class Encoding { Bytes, Utf16Le, Utf16Be };

    struct Line {
        std::string text;  // without its line end
        std::string eol;   // "\r\n", "\n" or "" (last line without a line end)
    };

    // Index of the first line of the first section named section, or npos.
    std::size_t FindSection(std::string_view section) const;
    // Index of the line of key inside the section starting at header, or npos.
    std::size_t FindKey(std::size_t header, std::string_view key) const;
    std::size_t SectionEnd(std::size_t header) const;
    void InsertLine(std::size_t at, std::string text);

    Encoding m_encoding = Encoding::Bytes;
    std::string m_bom;   // the byte order mark as found (UTF-8 only; UTF-16 keeps its own)
    std::string m_tail;  // an odd last byte of a UTF-16 file
    std::vector<Line> m_lines;
    std::string m_eol = "\r\n";
};

// The whole content of a file; nullopt when it can't be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the file at path with bytes so that the path always names either
// the old or the complete new file: the bytes go to a new file in the same
// folder, which is flushed to the disk and renamed over the old one. A
// symbolic link is followed, so the link stays. An existing file that is
// read-only (no write permission for anyone, or none for this process) is
// refused, as the platform's read-only attribute would. Returns false, with
// nothing changed on the disk, when anything fails.
bool ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace quennit
