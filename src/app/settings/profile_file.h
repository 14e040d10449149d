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
    explicit ProfileText(std::string bytes);

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

    // One line of m_text: [begin, textEnd) is its text, [textEnd, end) its
    // line end ("\r\n", "\n" or nothing for a last line without one).
    struct LineRef {
        std::size_t begin;
        std::size_t textEnd;
        std::size_t end;
    };

    LineRef LineAt(std::size_t begin) const;
    std::string_view TextOf(const LineRef& line) const;
    // The first "[name]" line at or after offset from, whatever its name.
    std::optional<LineRef> NextSection(std::size_t from) const;
    // The first section named section.
    std::optional<LineRef> FindSection(std::string_view section) const;
    // Where the section of header ends: the next section's line, or the end.
    std::size_t SectionEnd(const LineRef& header) const;
    // The line of key inside the section of header.
    std::optional<LineRef> FindKey(const LineRef& header, std::string_view key) const;
    // Inserts a line at offset at, which starts a line or is the end.
    void InsertLine(std::size_t at, std::string_view text);

    Encoding m_encoding = Encoding::Bytes;
    std::string m_bom;   // the byte order mark as found (UTF-8 only; UTF-16 keeps its own)
    std::string m_tail;  // an odd last byte of a UTF-16 file
    // The text after the mark (UTF-8 for a UTF-16 file), held as one string
    // and searched for each access: a file of millions of empty lines costs
    // its size and no more.
    std::string m_text;
    std::string m_eol = "\r\n";
};

// The whole content of a regular file; nullopt when it can't be opened or
// read, is no regular file (a FIFO, a device, a directory) or is far larger
// than any settings file (kMaxProfileSize).
inline constexpr std::size_t kMaxProfileSize = std::size_t{64} << 20;
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
