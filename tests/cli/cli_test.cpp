// Runs the real quennit-cli on files written by the test.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace {

using quennit::test::Tabs;
using quennit::test::TempDir;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

CliRun Cli(const std::string& args, const TempDir& dir) {
    const std::string out = dir.Path("stdout.txt");
    const std::string err = dir.Path("stderr.txt");
    const int status = std::system((QUENNIT_CLI " " + args + " >" + out + " 2>" + err).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The extraction example: one site, a page with two entries and a next page.
const char* kExampleSites =  // 検索 in Shift_JIS
    "SITE_FILE_VER|1.05\nHOST_ID|\x8C\x9F\x8D\xF5\nHOST_ADDR|pagehost\n"
    "HOST_URL_FORMAT|/find?kw=%s\nSTARTWORD|<dl>\nT_SEARCH|class=next href=\n"
    "T_NEXTURL|>\nSEARCH|<dt><a href=http://\nURL|>\nTITLE|</a>\nSEARCH|<dd>\n"
    "TEXT|<br>\nR_DEL|<b>\nR_DEL|</b>\n";
const char* kExamplePage =
    "<p>1-2</p><a class=next href=/find?p=2>next</a><dl><dt><a href=http://pagehost/a>Alpha</a>"
    "<dd>First <b>hit</b><br><dt><a href=http://pagehost/b>\x93\xFA\x96\x7B\\x</a><dd>Se\tcond"
    "<br></dl>";

// JSON lines are pinned where control characters are escaped.
TEST(CliExtract, PrintsResultsAndTheNextPage) {
    TempDir dir;
    const auto sites = dir.Write("sites.ini", Tabs(kExampleSites));
    const auto page = dir.Write("page.html", kExamplePage);
    const CliRun tsv = Cli("extract --sites " + sites + " --site 検索 " + page, dir);
    EXPECT_EQ(tsv.exitCode, 0) << tsv.err;
    EXPECT_EQ(tsv.out,
              "pagehost/a\tAlpha\tFirst hit\t検索\t10\n"
              "pagehost/b\t日本\\\\x\tSe cond\t検索\t20\n");
    EXPECT_EQ(tsv.err, "next: /find?p=2\n");
}

TEST(Cli, FailuresAndUsageExitWithTheirCodes) {
    TempDir dir;
    const auto sites = " --sites " + dir.Write("sites.ini", Tabs(kExampleSites));
    const auto page = " " + dir.Write("page.html", std::string(3000, 'x') + ">");
    // The next-page capture is over 2,047 bytes: the page fails.
    const auto longPage =
        " " + dir.Write("long.html", "class=next href=" + std::string(3000, 'p') + ">");
    const auto fifo = dir.Path("fifo");  // would block a reader for ever
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string args;
        int exitCode;
        const char* text;  // in the first line of stderr, or on stdout for exit 0
    } cases[] = {
        {"extract" + sites + " --site 9" + page, 1, ""},
        {"extract --sites " + dir.Path("none") + " --site 1" + page, 1, ""},
        {"extract" + sites + " --site 1", 2, "PAGE"},
        {"extract" + sites + " --site", 2, "--site"},
        {"extract --site 1 --format xml" + page, 2, "xml"},
        {"extract" + sites + " --site 1" + longPage, 3, "2,048"},
        {"check " + dir.Path("nope.ini"), 1, "No such file"},
        {"check " + fifo, 1, "not a regular file"},
        {"check /dev/zero", 1, "not a regular file"},
        {"extract --sites " + fifo + " --site 1" + page, 1, "not a regular file"},
        {"extract" + sites + " --site 1 " + fifo, 1, "not a regular file"},
        {"extract" + sites + " --site 1 " + dir.Path(""), 1, "Is a directory"},
        {"check a b", 2, ": b"},
        {"check --format yaml", 2, "yaml"},
        {"check --format", 2, "--format"},
        {"search --sites " + dir.Path("none") + " kw", 1, "No such file"},
        {"search --format xml kw", 2, "xml"},
        {"search --retry x kw", 2, "--retry"},
        {"search --timeout", 2, "--timeout"},
        {"search a b", 2, ": b"},
        {"search --bogus kw", 2, "--bogus"},
        {"search", 2, "KEYWORD is required"},
        {"search --jobs 2 kw", 2, "--jobs requires --multi"},
        {"search --multi --jobs 33 kw", 2, "not in range 1 to 32"},
        {"frobnicate", 2, "unknown command 'frobnicate'"},
        {"", 2, "subcommand is required"},
        // Help goes to standard output.
        {"--help", 0, "usage: quennit-cli [OPTIONS] SUBCOMMAND"},
        {"check --help", 0, "--format text|json"},
        {"extract -h", 0, "--site NAME|NUMBER"},
        {"search --help", 0, "--timeout SECONDS"},
        {"search --help", 0, "idle limit of sending and receiving"},
    };
    for (const auto& c : cases) {
        const CliRun run = Cli(c.args, dir);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args;
        const std::string text = c.exitCode == 0 ? run.out : run.err.substr(0, run.err.find('\n'));
        EXPECT_TRUE(Contains(text, c.text)) << c.args << "\n" << text;
        // A usage error shows the usage after its message.
        EXPECT_EQ(Contains(run.err, "\nusage: quennit-cli"), c.exitCode == 2) << c.args;
    }
}

TEST(CliCheck, DescribesTheSitesAsJson) {
    TempDir dir;
    const auto sites = dir.Write(
        "sites.ini", Tabs(std::string(kExampleSites) +
                          "TEXT|^\nHOST_ID|B\nHOST_KANJI|EUC\nHOST_ID|C\nHOST_KANJI|utf-8\n"
                          "HOST_ADDR|https://h:8443\n"));
    const CliRun run = Cli("check --format json " + sites, dir);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind(
                  "{\"version\":\"1.05\",\"site_count\":3,\"sites\":[{\"number\":1,"
                  "\"name\":\"検索\",\"group\":\"\",\"server\":\"pagehost\","
                  "\"scheme\":\"http\",\"url_format\":\"/find?kw=%s\",\"kanji\":2,\"max_count\":40,"
                  "\"link_mode\":\"\",\"start_word\":\"<dl>\",\"page_rules\":[["
                  "\"T_SEARCH\",\"class=next href=\"],[\"T_NEXTURL\",\">\"]]",
                  0),
              0u)
        << run.out;
    for (const char* part :
         {"[\"TEXT\",\"\\n\"]]",  // carets become line feeds
          "{\"number\":2,\"name\":\"B\"", "\"kanji\":1",
          "\"server\":\"https://h:8443\",\"scheme\":\"https\",\"url_format\":\"\",\"kanji\":3",
          "\"warnings\":[\"site 2 \\\"B\\\": never requested (no HOST_ADDR)\",\"site 3 "
          "\\\"C\\\": never requested (no HOST_URL_FORMAT)\"]}\n"}) {
        EXPECT_TRUE(Contains(run.out, part)) << part << "\n" << run.out;
    }
}

// Likely mistakes, a byte-order mark and CR-only line ends are warned about.
TEST(CliCheck, WarnsAboutLikelyMistakes) {
    TempDir dir;
    std::string many = "SEARCH|<p>\nHOST_ID|A\nHOST_ADDR|h\nHOST_URL_FORMAT|/q?%d\n";
    for (int i = 0; i < 31; ++i) {
        many += "SEARCH|x\n";
    }
    many += "HOST_ID|A\nHOST_ADDR|ftp://h/x\nHOST_URL_FORMAT|/q?%s&p=100%\n";
    const std::pair<std::string, std::vector<const char*>> cases[] = {
        {many,
         {"line 1: 'SEARCH' stands before the first HOST_ID",
          "line 35: site 1 \"A\": rule 'SEARCH' is beyond the 30 rules",
          "site 1 \"A\": request format has no %s", "site 1 \"A\": request format has '%d'",
          "site 2 \"A\": request format has '%'", "site 2 \"A\": same name as site 1",
          "site 2 \"A\": HOST_ADDR has the scheme 'ftp://'", "HOST_ADDR has a path ('/x')",
          "Warnings (8):"}},
        {"\xEF\xBB\xBFHOST_ID|Lost\nURL|>\nHOST_ID|B\n",
         {"Sites:     1\n", "line 1: the file starts with a UTF-8 byte-order mark",
          "line 1: the byte-order mark spoils the HOST_ID line of \"Lost\": that site is lost",
          "line 2: 'URL' stands before the first HOST_ID", "Warnings (4):"}},
        {"HOST_ID|A\rHOST_ID|B\r", {"Sites:     1\n", "line 1: a CR that ends no line"}}};
    for (const auto& [content, warnings] : cases) {
        const CliRun run = Cli("check " + dir.Write("s.ini", Tabs(content)), dir);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        for (const char* warning : warnings) {
            EXPECT_TRUE(Contains(run.out, warning)) << warning << "\n" << run.out;
        }
    }
}

// Any control character of a page, a site file or an argument reaches the
// terminal escaped: ESC, BEL, BS and DEL here.
TEST(CliOutput, ControlCharactersAreEscaped) {
    TempDir dir;
    const auto sites = dir.Write(
        "s.ini", Tabs("HOST_ID|A\x1b]0;t\x07\nHOST_GROUP|\x1b[2J\nT_NEXTURL|>\nSEARCH|<a>\n"
                      "URL|>\nTITLE|<\n"));
    const auto page = " " + dir.Write("p.html", "\x1b[2J><a>\x1b]8;;x\x07>T\b\x7f<");
    const auto raw = [](const std::string& text) {
        return std::any_of(text.begin(), text.end(), [](char c) {
            return (c >= 0 && c < 0x20 && c != '\n' && c != '\t') || c == 0x7f;
        });
    };
    const CliRun tsv = Cli("extract --sites " + sites + " --site 1" + page, dir);
    EXPECT_EQ(tsv.out, "\\x1b]8;;x\\x07\tT\\x08\\x7f\t\tA\\x1b]0;t\\x07\t10\n");
    EXPECT_EQ(tsv.err, "next: \\x1b[2J\n");
    const CliRun json = Cli("extract --format json --sites " + sites + " --site 1" + page, dir);
    EXPECT_EQ(json.out,
              "{\"site\":\"A\\u001b]0;t\\u0007\",\"url\":\"\\u001b]8;;x\\u0007\",\"title\":"
              "\"T\\b\\u007f\",\"text\":\"\",\"order\":10}\n{\"next_url\":\"\\u001b[2J\"}\n");
    const CliRun check = Cli("check " + sites, dir);
    EXPECT_TRUE(Contains(check.out, "[1] A\\x1b]0;t\\x07\n  group:          \\x1b[2J\n"))
        << check.out;
    const CliRun error = Cli("extract --sites " + sites + " --site '\x1b[2J'" + page, dir);
    EXPECT_TRUE(Contains(error.err, "no site '\\x1b[2J'")) << error.err;
    for (const CliRun& run : {tsv, json, check, error}) {
        EXPECT_FALSE(raw(run.out) || raw(run.err)) << run.out << run.err;
    }
}

// 100,000 sites of one line each (1.1 MB): memory follows the content, not
// the 90 rule slots a site may have (once 600 MB for extract, 1.4 GB for check).
TEST(CliCheck, ManyBareSitesTakeLittleMemory) {
#ifdef QUENNIT_SANITIZED
    GTEST_SKIP() << "sanitizers change the memory figures";
#endif
    TempDir dir;
    std::string content;
    for (int i = 1; i <= 100000; ++i) {
        content += "HOST_ID\tsite " + std::to_string(i) + "\n";
    }
    const auto sites = dir.Write("s.ini", content);
    const auto page = dir.Write("p.html", "");
    EXPECT_EQ(Cli("check " + sites, dir).exitCode, 0);
    EXPECT_EQ(Cli("extract --sites " + sites + " --site 100000 " + page, dir).exitCode, 0);
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 100 * 1024) << "peak resident set in KiB";
}

}  // namespace
