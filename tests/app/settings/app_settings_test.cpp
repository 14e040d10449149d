#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <tuple>

#include "app/settings/app_settings.h"
#include "app/settings/profile_file.h"
#include "support/test_files.h"

namespace quennit {
namespace {

namespace fs = std::filesystem;

const std::string kTemplate =
    "######################################\r\n# Quennit - Initialize file.\r\n"
    "######################################\r\n"
    "[WINDOW]\r\nX1=\r\nY1=\r\nX2=\r\nY2=\r\nTYPE=\r\n"
    "[SEARCH]\r\nRETRY=1\r\nTIMEOUT=20\r\nMULTI=\r\n";

// The ASCII text as UTF-16 little endian with its byte order mark.
std::string Utf16Le(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// The eight values, X1 Y1 X2 Y2 TYPE TIMEOUT RETRY MULTI.
std::string Values(const CAppSettings& s) {
    std::string out;
    for (const std::int32_t v : {s.X1, s.Y1, s.X2, s.Y2, s.TYPE, s.TIMEOUT, s.RETRY, s.MULTI}) {
        out += std::to_string(v) + " ";
    }
    return out;
}

// A size line of /proc/self/status, in KiB; -1 when it is missing.
long StatusKiB(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(key)) {
            return std::stol(line.substr(key.size()));
        }
    }
    return -1;
}

// Each test works in a folder of its own, removed afterwards.
class SettingsFileTest : public ::testing::Test {
  protected:
    void Write(const std::string& bytes) const { m_dir.Write("Quennit.ini", bytes); }
    std::string Read() const { return ReadWholeFile(m_path).value_or("<missing>"); }

    test::TempDir m_dir;
    std::string m_path = m_dir.Path("Quennit.ini");
};

// A row of the read or write table; test names show its name, not its bytes.
struct Case {
    const char* name;
    std::string before;
    std::string after;  // read: the eight values; write: the file
    int multi = 0;      // written only when changed, like the template's empty MULTI=
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class SettingsReadTest : public SettingsFileTest, public ::testing::WithParamInterface<Case> {};

TEST_P(SettingsReadTest, ReadsTheValues) {
    Write(GetParam().before);
    CAppSettings s;
    ASSERT_TRUE(s.Load(m_path));
    EXPECT_EQ(Values(s), GetParam().after);
    EXPECT_EQ(Read(), GetParam().before) << "reading must not change the file";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsReadTest,
    ::testing::Values(
        Case{"NamesIgnoreCaseBlanksAroundEquals",
             "[ window ]\r\n  x1  =  12  \r\n\tY1\t=\t-3\t\r\n[Search]\r\nretry=4\r\n",
             "12 -3 -1 -1 0 0 4 0 "},
        Case{"LeadingIntegerOrQuoted",
             "[WINDOW]\r\nX1=30px\r\nY1=abc\r\nX2=\"42\"\r\nY2=12-3\r\nTYPE=+2\r\n"
             "[SEARCH]\r\nTIMEOUT='5000'\r\nRETRY=007\r\nMULTI=7\r\n",
             "30 0 42 12 2 5000 7 7 "},
        // Each key that must not count comes before the one that does.
        Case{"OnlyTheFirstOfTwoKeysOrSectionsAndOnlyItsOwnSection",
             "X1=9\r\n[SEARCH]\r\nX1=5\r\n[WINDOW]\r\nTIMEOUT=8\r\nX1=1\r\nx1=2\r\n"
             "[SEARCH]\r\n[WINDOW]\r\nY1=2\r\n",
             "1 -1 -1 -1 0 0 0 0 "},
        Case{"Utf8BomAndLfOnly", "\xEF\xBB\xBF[WINDOW]\nX1=77\n[SEARCH]\nRETRY=5",
             "77 -1 -1 -1 0 0 5 0 "},
        Case{"CommentsAndJunk",
             "; comment\r\n[WINDOW]\r\n;X1=3\r\n#Y1=4\r\nno equals sign\r\n[WINDOW\r\nX1=6\r\n",
             "6 -1 -1 -1 0 0 0 0 "}),
    [](const auto& param) { return std::string(param.param.name); });

class SettingsWriteTest : public SettingsFileTest, public ::testing::WithParamInterface<Case> {};

// Saves X1=10 Y1=-20 X2=300 Y2=400 TYPE=3 TIMEOUT=5000 RETRY=2 into the file.
TEST_P(SettingsWriteTest, SavesInPlace) {
    Write(GetParam().before);
    CAppSettings s;
    ASSERT_TRUE(s.Load(m_path));
    std::tie(s.X1, s.Y1, s.X2, s.Y2, s.TYPE, s.TIMEOUT, s.RETRY, s.MULTI) =
        std::tuple(10, -20, 300, 400, 3, 5000, 2, GetParam().multi);
    ASSERT_TRUE(s.Save());
    EXPECT_EQ(Read(), GetParam().after);
    CAppSettings again;
    ASSERT_TRUE(again.Load(m_path));
    EXPECT_EQ(Values(again), Values(s));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsWriteTest,
    ::testing::Values(
        Case{"MissingKeysGoToTheEndOfTheirSectionLfStaysLf",
             "[WINDOW]\nX1=1\nEXTRA=keep\n\n; next\n[SEARCH]\nMULTI=\n",
             "[WINDOW]\nX1=10\nEXTRA=keep\nX2=300\nY1=-20\nY2=400\nTYPE=3\n\n"
             "; next\n[SEARCH]\nMULTI=\nTIMEOUT=5000\nRETRY=2\n"},
        Case{"MissingSectionGoesToTheEnd",
             "# banner\r\n[WINDOW]\r\nX1=\r\nY1=\r\nX2=\r\nY2=\r\nTYPE=",
             "# banner\r\n[WINDOW]\r\nX1=10\r\nY1=-20\r\nX2=300\r\nY2=400\r\n"
             "TYPE=3\r\n[SEARCH]\r\nTIMEOUT=5000\r\nRETRY=2\r\n"},
        Case{"BlanksSpellingAndLaterDuplicatesKept",
             "[window]\r\n  x1 = 5 \r\nX1=2\r\ny1\t=\t\r\nX2=1\r\nY2=1\r\nTYPE=1\r\n"
             "[SEARCH]\r\nRETRY=1\r\nTIMEOUT=1\r\n[WINDOW]\r\nX1=3\r\n",
             "[window]\r\n  x1 = 10\r\nX1=2\r\ny1\t=\t-20\r\nX2=300\r\nY2=400\r\nTYPE=3\r\n"
             "[SEARCH]\r\nRETRY=2\r\nTIMEOUT=5000\r\n[WINDOW]\r\nX1=3\r\n"},
        Case{"Utf16StaysUtf16", Utf16Le("[WINDOW]\r\nX1=1\r\n"),
             Utf16Le("[WINDOW]\r\nX1=10\r\nX2=300\r\nY1=-20\r\nY2=400\r\nTYPE=3\r\n"
                     "[SEARCH]\r\nTIMEOUT=5000\r\nRETRY=2\r\nMULTI=1\r\n"),
             1}),
    [](const auto& param) { return std::string(param.param.name); });

// A missing file is made from the template. A read-only file, a FIFO that
// would block the start for ever and /dev/zero that never ends are none
// written over; the last two read as unreadable (defaults).
TEST_F(SettingsFileTest, TemplateIsMadeReadOnlyFileFifoAndDeviceAreKept) {
    CAppSettings made;
    ASSERT_TRUE(made.Load(m_path));
    EXPECT_EQ(Read(), kTemplate);
    Write("[SEARCH]\r\nRETRY=7\r\nsomething long that must go away\r\n");
    ASSERT_TRUE(made.CreateDefaultFile(m_path));
    fs::permissions(m_path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string fifo = m_dir.Path("fifo.ini");
    const std::string zero = m_dir.Path("zero.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", zero);
    for (const auto& [path, values] : {std::pair{m_path, "-1 -1 -1 -1 0 20 1 0 "},
                                       {fifo, "-1 -1 -1 -1 0 0 0 0 "},
                                       {zero, "-1 -1 -1 -1 0 0 0 0 "}}) {
        CAppSettings s;
        ASSERT_TRUE(s.Load(path));
        EXPECT_EQ(Values(s), values);
        s.X1 = 99;
        EXPECT_FALSE(s.Save()) << path;
    }
    EXPECT_EQ(Read(), kTemplate);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_character_file(zero));
    // A path below a regular file can't be created, whoever runs the test.
    EXPECT_FALSE(made.Load(m_path + "/Quennit.ini"));
    EXPECT_FALSE(made.Save());
}

// Millions of empty lines cost their size (once 100 bytes a line), and they
// and a megabyte of garbage survive a save byte for byte.
TEST_F(SettingsFileTest, EmptyLinesAndGarbageSurviveASave) {
    const std::string lines(8 << 20, '\n');
    std::mt19937 random(4);  // fixed start: the same bytes on every run
    std::string garbage(1 << 20, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random());
    }
    Write(lines + kTemplate + garbage);
    // The process's peak starts again here, so an earlier test's larger
    // peak can't hide this one's.
    ASSERT_TRUE(std::ofstream("/proc/self/clear_refs") << "5") << "can't reset the peak size";
    const long before = StatusKiB("VmRSS:");
    ASSERT_GT(before, 0);
    CAppSettings s;
    ASSERT_TRUE(s.Load(m_path));
    s.TIMEOUT = 7;
    ASSERT_TRUE(s.Save());
    EXPECT_LT(StatusKiB("VmHWM:") - before, 100 * 1024) << "KiB";
    const std::string saved = Read();
    EXPECT_TRUE(saved.starts_with(lines) && saved.ends_with(garbage));
    EXPECT_NE(saved.find("TIMEOUT=7\r\n", lines.size()), std::string::npos);
}

}  // namespace
}  // namespace quennit
