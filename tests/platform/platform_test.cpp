#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_locations.h"
#include "platform/line_reader.h"
#include "platform/mbcs.h"
#include "platform/text_codec.h"
#include "support/test_files.h"

namespace quennit {
namespace {

using namespace std::string_literals;

TEST(LineReader, SplitsAtLineFeedAndDropsOneCarriageReturn) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"a\nb\r\nc\r\r\nx\0y"s, {"a", "b", "c\r", "x\0y"s}},
        {"a\n\n", {"a", ""}},
        {"", {}},
    };
    test::TempDir dir;
    for (const auto& [content, expected] : cases) {
        // A file, and text in memory, read alike.
        LineReader file(dir.Write("lines.txt", content));
        LineReader memory(LineReader::InMemory{content});
        for (LineReader* reader : {&file, &memory}) {
            std::vector<std::string> lines;
            for (std::string line; reader->ReadLine(line);) {
                lines.push_back(line);
            }
            EXPECT_EQ(lines, expected) << content.substr(0, 20);
        }
    }
}

TEST(Mbcs, ComparesAndCutsCharactersNotBytes) {
    // Byte-wise 0x81 < 0xB1, but the character 0x8140 is above the half-width
    // katakana 0xB1; a lone lead byte at the end is a single byte.
    const std::tuple<const char*, const char*, int> compares[] = {
        {"ab", "abc", -1},          {"abc", "ab", 1},
        {"\x81\x40", "\xB1", 1},    {"\x82\xA0", "\x82\xA2", -1},
        {"a\x81", "a\x81\x40", -1}, {"a\x81", "a\x81", 0}};
    for (const auto& [a, b, sign] : compares) {
        EXPECT_EQ(std::clamp(MbsCompare(a, b), -1, 1), sign) << a << " / " << b;
    }
    const std::tuple<const char*, std::size_t, const char*> cuts[] = {
        {"abc", 3, "abc"}, {"ab\x82\xA0", 3, "ab"}, {"\xB1\xB2\xB3", 2, "\xB1\xB2"}};
    for (const auto& [text, size, cut] : cuts) {
        EXPECT_EQ(SjisCutAt(text, size), cut) << text;
    }
}

TEST(TextCodec, RoundTripsAndBadInputIsReplacedOrRefused) {
    // Shift_JIS: backslash stays a backslash; NEC and IBM extension characters
    // exist.
    const std::string utf8 = "検索\\①髙ｶﾅ";
    const std::string sjis = "\x8C\x9F\x8D\xF5\x5C\x87\x40\xFB\xFC\xB6\xC5";
    EXPECT_EQ(Utf8ToSjis(utf8), sjis);
    EXPECT_EQ(SjisToUtf8(sjis), utf8);
    // A lone lead byte, an unassigned pair and a lead byte cut off at the end.
    EXPECT_EQ(SjisToUtf8("a\x85@b\0c\x82"s), "a\xEF\xBF\xBD@b\0c\xEF\xBF\xBD"s);
    EXPECT_FALSE(Utf8ToSjis("snow ☃").has_value());
    EXPECT_FALSE(Utf8ToSjis("bad \xC3").has_value());
    // UTF-16 both ways: a BMP character and a surrogate pair; a lone
    // surrogate is replaced.
    const std::string le("a\0\x1C\x69\x3D\xD8\x00\xDE", 8);
    EXPECT_EQ(Utf8ToUtf16("a検\xF0\x9F\x98\x80", false), le);
    EXPECT_EQ(Utf16ToUtf8(le, false), "a検\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16ToUtf8(std::string("\0\x62\xDC\x00", 4), true), "b\xEF\xBF\xBD");
}

TEST(TextCodec, Utf8PageKeepsItsCharactersAndMarksWhatIsNoUtf8) {
    const std::string g = "〓";  // the geta mark
    const std::pair<std::string, std::string> cases[] = {
        {"\xEF\xBB\xBF検索 ~\\ｶ", "検索 ~\\ｶ"},  // the BOM is dropped
        {"a𠮷b😀", "a𠮷b😀"},
        // One mark per maximal invalid subsequence.
        {"\xE3\x81\x41\xC2", g + "A" + g},
        {"\xED\xA0\x80", g + g + g},
        {"\xF4\x90\x80\x80", g + g + g + g},
        {"\xF0\x9F\x98x\xE0\x80\xFF", g + "x" + g + g + g}};
    for (const auto& [utf8, clean] : cases) {
        EXPECT_EQ(Utf8PageClean(utf8, 100), clean) << utf8;
    }
    // The page is cut at its limit between characters.
    EXPECT_EQ(Utf8PageClean("a\xFF\xFF\xFF", 8), "a" + g + g);
    EXPECT_EQ(Utf8PageClean("ab😀", 5), "ab");
}

TEST(FileLocations, FolderModeWhenTheProgramFolderHoldsTheSiteFileElseTheConfigFolder) {
    test::TempDir dir;
    const std::string bin = dir.Path("usr/bin"), share = dir.Path("usr/share/quennit/");
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(share);
    ::setenv("HOME", dir.Path("home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);

    const FileLocations installed = LocateFiles(bin);
    EXPECT_TRUE(installed.installed);
    EXPECT_EQ(installed.dataFolder, share);
    EXPECT_EQ(installed.SettingsFile(), dir.Path("home/.config/quennit/Quennit.ini"));
    EXPECT_EQ(installed.SiteFile(), share + "SearchSite.ini");  // no copy yet: the sample
    std::string error;
    EXPECT_TRUE(PrepareUserFolder(installed, error));  // a missing sample copies nothing
    dir.Write("usr/share/quennit/SearchSite.ini", "sample");
    dir.Write("home/.config/quennit/Quennit.ini", "");
    ASSERT_TRUE(PrepareUserFolder(installed, error)) << error;
    EXPECT_EQ(installed.SiteFile(), dir.Path("home/.config/quennit/SearchSite.ini"));
    dir.Write("home/.config/quennit/SearchSite.ini", "mine");
    ASSERT_TRUE(PrepareUserFolder(installed, error));
    std::ifstream copy(installed.SiteFile());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), "mine");  // never replaced
    EXPECT_EQ(installed.Describe(), "installed mode: " + dir.Path("home/.config/quennit/"));

    ::setenv("XDG_CONFIG_HOME", dir.Path("file").c_str(), 1);
    dir.Write("file", "not a folder");
    EXPECT_FALSE(PrepareUserFolder(LocateFiles(bin), error));
    EXPECT_NE(error.find(dir.Path("file/quennit/")), std::string::npos) << error;
    ::unsetenv("XDG_CONFIG_HOME");

    dir.Write("usr/bin/SearchSite.ini", "");
    const FileLocations folder = LocateFiles(bin + "/");
    EXPECT_FALSE(folder.installed);
    EXPECT_EQ(folder.folder, bin + "/");
    EXPECT_EQ(folder.SiteFile(), bin + "/SearchSite.ini");
    EXPECT_EQ(folder.Describe(), "folder mode: " + bin + "/");
}

}  // namespace
}  // namespace quennit
