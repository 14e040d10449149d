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

CliRun Cli(const std::string& args, const TempDir& dir) {
    const std::string out = dir.Path("stdout.txt");
    const std::string err = dir.Path("stderr.txt");
    const int status = std::system((QUENNIT_CLI " " + args + " >" + out + " 2>" + err).c_str());
    CliRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, {}, {}};
    for (auto [path, text] : {std::pair{out, &run.out}, std::pair{err, &run.err}}) {
        std::ostringstream read;
        read << std::ifstream(path, std::ios::binary).rdbuf();
        *text = read.str();
    }
    return run;
}

// The extraction example (検索 and 日本 in Shift_JIS): two entries and a next
// page; two more sites for the description.
const char* kSites =
    "SITE_FILE_VER|1.05\nHOST_ID|\x8C\x9F\x8D\xF5\nHOST_ADDR|pagehost\n"
    "HOST_URL_FORMAT|/find?kw=%s\nSTARTWORD|<dl>\nT_SEARCH|class=next href=\n"
    "T_NEXTURL|>\nSEARCH|<dt><a href=http://\nURL|>\nTITLE|</a>\nSEARCH|<dd>\n"
    "TEXT|<br>\nR_DEL|<b>\nR_DEL|</b>\nHOST_ID|B\nTEXT|^\nHOST_KANJI|EUC\nHOST_ID|C\n"
    "HOST_KANJI|utf-8\nHOST_ADDR|https://h:8443\n";
const char* kPage =
    "<p>1-2</p><a class=next href=/find?p=2>next</a><dl><dt><a href=http://pagehost/a>Alpha</a>"
    "<dd>First <b>hit</b><br><dt><a href=http://pagehost/b>\x93\xFA\x96\x7B\\x</a><dd>Se\tcond"
    "<br></dl>";

// Each run: its exit code and the texts it must show, in the first line of
// stderr for a failure, else anywhere in stdout followed by stderr. Any
// control character of a page, a site file or an argument reaches the
// terminal escaped (ESC, BEL, BS and DEL here).
TEST(Cli, RunsShowTheirTextsAndExitCodes) {
    TempDir dir;
    const auto file = [&dir](const std::string& name, const std::string& content) {
        return " " + dir.Write(name, Tabs(content));
    };
    const auto example = file("sites.ini", kSites);
    const auto sites = " --sites" + example;
    const auto page = file("page.html", kPage);
    // The next-page capture is over 2,047 bytes: the page fails.
    const auto longPage = file("long.html", "class=next href=" + std::string(3000, 'p') + ">");
    const auto fifo = dir.Path("fifo");  // would block a reader for ever
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string many = "SEARCH|<p>\nHOST_ID|A\nHOST_ADDR|h\nHOST_URL_FORMAT|/q?%d\n";
    for (int i = 0; i < 31; ++i) {
        many += "SEARCH|x\n";
    }
    many += "HOST_ID|A\nHOST_ADDR|ftp://h/x\nHOST_URL_FORMAT|/q?%s&p=100%\n";
    const auto ctrl = file("ctrl.ini",
                           "HOST_ID|A\x1b]0;t\x07\nHOST_GROUP|\x1b[2J\nT_NEXTURL|>\nSEARCH|<a>\n"
                           "URL|>\nTITLE|<\n");
    const auto ctrlPage = file("ctrl.html", "\x1b[2J><a>\x1b]8;;x\x07>T\b\x7f<");
    const struct {
        int exitCode;
        std::string args;
        std::vector<std::string> texts;
    } cases[] = {
        {0,
         "extract" + sites + " --site 検索" + page,
         {"pagehost/a\tAlpha\tFirst hit\t検索\t10\npagehost/b\t日本\\\\x\tSe cond\t検索\t20\n"
          "next: /find?p=2\n"}},
        {0,
         "check --format json" + example,
         {"{\"version\":\"1.05\",\"site_count\":3,\"sites\":[{\"number\":1,\"name\":\"検索\","
          "\"group\":\"\",\"server\":\"pagehost\",\"scheme\":\"http\",\"url_format\":\"/"
          "find?kw=%s\",\"kanji\":2,\"max_count\":40,\"link_mode\":\"\",\"start_word\":\"<dl>\","
          "\"page_rules\":[[\"T_SEARCH\",\"class=next href=\"],[\"T_NEXTURL\",\">\"]]",
          "{\"number\":2,\"name\":\"B\",\"group\":\"\",\"server\":\"\",\"scheme\":\"http\","
          "\"url_format\":\"\",\"kanji\":1,",
          "\"entry_rules\":[[\"TEXT\",\"\\n\"]]",  // carets become line feeds
          "\"server\":\"https://h:8443\",\"scheme\":\"https\",\"url_format\":\"\",\"kanji\":3",
          "\"warnings\":[\"site 2 \\\"B\\\": never requested (no HOST_ADDR)\",\"site 3 "
          "\\\"C\\\": never requested (no HOST_URL_FORMAT)\"]}\n"}},
        // Likely mistakes, a byte-order mark and CR-only line ends are warned about.
        {0,
         "check" + file("many.ini", many),
         {"line 1: 'SEARCH' stands before the first HOST_ID",
          "line 35: site 1 \"A\": rule 'SEARCH' is beyond the 30 rules",
          "site 1 \"A\": request format has no %s", "site 1 \"A\": request format has '%d'",
          "site 2 \"A\": request format has '%'", "site 2 \"A\": same name as site 1",
          "site 2 \"A\": HOST_ADDR has the scheme 'ftp://'", "HOST_ADDR has a path ('/x')",
          "Warnings (8):"}},
        {0,
         "check" + file("bom.ini", "\xEF\xBB\xBFHOST_ID|Lost\nURL|>\nHOST_ID|B\n"),
         {"Sites:     1\n", "line 1: the file starts with a UTF-8 byte-order mark",
          "line 1: the byte-order mark spoils the HOST_ID line of \"Lost\": that site is lost",
          "line 2: 'URL' stands before the first HOST_ID", "Warnings (4):"}},
        {0,
         "check" + file("cr.ini", "HOST_ID|A\rHOST_ID|B\r"),
         {"Sites:     1\n", "line 1: a CR that ends no line"}},
        {0,
         "extract --sites" + ctrl + " --site 1" + ctrlPage,
         {"\\x1b]8;;x\\x07\tT\\x08\\x7f\t\tA\\x1b]0;t\\x07\t10\nnext: \\x1b[2J\n"}},
        {0,
         "extract --format json --sites" + ctrl + " --site 1" + ctrlPage,
         {"{\"site\":\"A\\u001b]0;t\\u0007\",\"url\":\"\\u001b]8;;x\\u0007\",\"title\":"
          "\"T\\b\\u007f\",\"text\":\"\",\"order\":10}\n{\"next_url\":\"\\u001b[2J\"}\n"}},
        {0, "check" + ctrl, {"[1] A\\x1b]0;t\\x07\n  group:          \\x1b[2J\n"}},
        {1, "extract --sites" + ctrl + " --site '\x1b[2J'" + page, {"no site '\\x1b[2J'"}},
        {1, "extract" + sites + " --site 9" + page, {"no site '9'"}},
        {2, "extract" + sites + " --site 1", {"PAGE"}},
        {2, "extract" + sites + " --site", {"--site"}},
        {2, "extract --site 1 --format xml" + page, {"xml"}},
        {3, "extract" + sites + " --site 1" + longPage, {"2,048"}},
        {1, "extract" + sites + " --site 1 " + fifo, {"not a regular file"}},
        {1, "extract" + sites + " --site 1 " + dir.Path(""), {"Is a directory"}},
        {1, "check " + dir.Path("nope.ini"), {"No such file"}},
        {1, "check " + fifo, {"not a regular file"}},
        {2, "check a b", {": b"}},
        {2, "check --format yaml", {"yaml"}},
        {2, "check --format", {"--format"}},
        {1, "search --sites " + dir.Path("none") + " kw", {"No such file"}},
        {2, "search --timeout", {"--timeout"}},
        {2, "search --bogus kw", {"--bogus"}},
        {2, "search", {"KEYWORD is required"}},
        {2, "search --jobs 2 kw", {"--jobs requires --multi"}},
        {2, "search --multi --jobs 33 kw", {"not in range 1 to 32"}},
        {2, "frobnicate", {"unknown command 'frobnicate'"}},
        {2, "", {"subcommand is required"}},
        // Help goes to standard output.
        {0, "--help", {"usage: quennit-cli [OPTIONS] SUBCOMMAND"}},
        {0, "check --help", {"--format text|json"}},
        {0, "extract -h", {"--site NAME|NUMBER"}},
        {0, "search --help", {"--timeout SECONDS", "idle limit of sending and receiving"}},
    };
    const auto raw = [](const std::string& text) {
        return std::any_of(text.begin(), text.end(), [](char c) {
            return (c >= 0 && c < 0x20 && c != '\n' && c != '\t') || c == 0x7f;
        });
    };
    for (const auto& c : cases) {
        const CliRun run = Cli(c.args, dir);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args << "\n" << run.err;
        const std::string shown =
            c.exitCode == 0 ? run.out + run.err : run.err.substr(0, run.err.find('\n'));
        for (const std::string& text : c.texts) {
            EXPECT_NE(shown.find(text), std::string::npos) << c.args << "\n" << shown;
        }
        // A usage error shows the usage after its message.
        EXPECT_EQ(run.err.find("\nusage: quennit-cli") != std::string::npos, c.exitCode == 2)
            << c.args;
        EXPECT_FALSE(raw(run.out) || raw(run.err)) << c.args;
    }
}

// 100,000 sites of one line each (1.1 MB): memory follows the content, not
// the 90 rule slots a site may have (once 600 MB for extract, 1.4 GB for check).
TEST(Cli, ManyBareSitesTakeLittleMemory) {
#ifdef QUENNIT_SANITIZED
    GTEST_SKIP() << "sanitizers change the memory figures";
#endif
    TempDir dir;
    std::string content;
    for (int i = 1; i <= 100000; ++i) {
        content += "HOST_ID\tsite " + std::to_string(i) + "\n";
    }
    const auto sites = dir.Write("s.ini", content);
    EXPECT_EQ(Cli("check " + sites, dir).exitCode, 0);
    EXPECT_EQ(Cli("extract --sites " + sites + " --site 100000 " + sites, dir).exitCode, 0);
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 100 * 1024) << "peak resident set in KiB";
}

}  // namespace
