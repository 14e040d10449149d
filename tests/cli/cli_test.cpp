// Runs the real quennit-cli on files written by the test.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

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
    const std::string errPath = dir.Path("stderr.txt");
    const std::string command = std::string(QUENNIT_CLI) + " " + args + " 2>" + errPath;
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.out.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    FILE* err = fopen(errPath.c_str(), "rb");
    while (err != nullptr && (n = fread(buffer.data(), 1, buffer.size(), err)) > 0) {
        run.err.append(buffer.data(), n);
    }
    if (err != nullptr) {
        fclose(err);
    }
    return run;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The extraction example: one site, a page with two entries and a next page.
const char* kExampleSites =
    "SITE_FILE_VER|1.05\n"
    "HOST_ID|\x8C\x9F\x8D\xF5\n"  // 検索 in Shift_JIS
    "HOST_ADDR|pagehost\n"
    "HOST_URL_FORMAT|/find?kw=%s\n"
    "STARTWORD|<dl>\n"
    "T_SEARCH|class=next href=\n"
    "T_NEXTURL|>\n"
    "SEARCH|<dt><a href=http://\n"
    "URL|>\n"
    "TITLE|</a>\n"
    "SEARCH|<dd>\n"
    "TEXT|<br>\n"
    "R_DEL|<b>\n"
    "R_DEL|</b>\n";
const char* kExamplePage =
    "<p>1-2</p><a class=next href=/find?p=2>next</a><dl><dt><a href=http://pagehost/a>Alpha</a>"
    "<dd>First <b>hit</b><br><dt><a href=http://pagehost/b>\x93\xFA\x96\x7B\\x</a><dd>Se\tcond"
    "<br></dl>";

TEST(CliExtract, PrintsResultsAndTheNextPage) {
    TempDir dir;
    const auto sites = dir.Write("sites.ini", Tabs(kExampleSites));
    const auto page = dir.Write("page.html", kExamplePage);
    const CliRun tsv = Cli("extract --sites " + sites + " --site 1 " + page, dir);
    EXPECT_EQ(tsv.exitCode, 0) << tsv.err;
    EXPECT_EQ(tsv.out,
              "pagehost/a\tAlpha\tFirst hit\t検索\t10\n"
              "pagehost/b\t日本\\\\x\tSe cond\t検索\t20\n");
    EXPECT_EQ(tsv.err, "next: /find?p=2\n");

    const CliRun json = Cli("extract --format json --sites " + sites + " --site 検索 " + page, dir);
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.out,
              "{\"site\":\"検索\",\"url\":\"pagehost/a\",\"title\":\"Alpha\",\"text\":\"First "
              "hit\",\"order\":10}\n"
              "{\"site\":\"検索\",\"url\":\"pagehost/b\",\"title\":\"日本\\\\x\",\"text\":\"Se "
              "cond\",\"order\":20}\n"
              "{\"next_url\":\"/find?p=2\"}\n");
}

TEST(CliExtract, FailuresAndUsage) {
    TempDir dir;
    const auto sites = dir.Write("sites.ini", Tabs(kExampleSites));
    const auto page = dir.Write("page.html", std::string(3000, 'x') + ">");
    EXPECT_EQ(Cli("extract --sites " + sites + " --site 9 " + page, dir).exitCode, 1);
    EXPECT_EQ(Cli("extract --sites " + dir.Path("none") + " --site 1 " + page, dir).exitCode, 1);
    EXPECT_EQ(Cli("extract --sites " + sites + " --site 1", dir).exitCode, 2);
    EXPECT_EQ(Cli("extract --site 1 --format xml " + page, dir).exitCode, 2);
    // The next-page capture is over 2,047 bytes: the page fails.
    const CliRun tooLong =
        Cli("extract --sites " + sites + " --site 1 " +
                dir.Write("long.html", "class=next href=" + std::string(3000, 'p') + ">"),
            dir);
    EXPECT_EQ(tooLong.exitCode, 3);
    EXPECT_TRUE(Contains(tooLong.err, "2,048"));
}

TEST(CliCheck, DescribesTheSitesAsJson) {
    TempDir dir;
    const auto sites = dir.Write(
        "sites.ini", Tabs(std::string(kExampleSites) + "TEXT|^\nHOST_ID|B\nHOST_KANJI|EUC\n"));
    const CliRun run = Cli("check --format json " + sites, dir);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind("{\"version\":\"1.05\",\"site_count\":2,\"sites\":[{\"number\":1,"
                            "\"name\":\"検索\",\"group\":\"\",\"server\":\"pagehost\","
                            "\"url_format\":\"/find?kw=%s\",\"kanji\":2,\"max_count\":40,"
                            "\"link_mode\":\"\",\"start_word\":\"<dl>\",\"page_rules\":[["
                            "\"T_SEARCH\",\"class=next href=\"],[\"T_NEXTURL\",\">\"]]",
                            0),
              0u)
        << run.out;
    EXPECT_TRUE(Contains(run.out, "[\"TEXT\",\"\\n\"]]")) << "carets become line feeds";
    EXPECT_TRUE(Contains(run.out, "{\"number\":2,\"name\":\"B\""));
    EXPECT_TRUE(Contains(run.out, "\"kanji\":1"));
    EXPECT_TRUE(Contains(run.out,
                         "\"warnings\":[\"site 2 \\\"B\\\": never requested (no "
                         "HOST_ADDR)\"]}\n"));
}

TEST(CliCheck, WarnsAboutLikelyMistakes) {
    TempDir dir;
    std::string content = "SEARCH|<p>\nHOST_ID|A\nHOST_ADDR|h\nHOST_URL_FORMAT|/q?%d\n";
    for (int i = 0; i < 31; ++i) {
        content += "SEARCH|x\n";
    }
    content += "HOST_ID|A\nHOST_ADDR|h\nHOST_URL_FORMAT|/q?%s&p=100%\n";
    const CliRun run = Cli("check " + dir.Write("s.ini", Tabs(content)), dir);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (const char* warning :
         {"line 1: 'SEARCH' stands before the first HOST_ID",
          "line 35: site 1 \"A\": rule 'SEARCH' is beyond the 30 rules",
          "site 1 \"A\": request format has no %s", "site 1 \"A\": request format has '%d'",
          "site 2 \"A\": request format has '%'", "site 2 \"A\": same name as site 1",
          "Warnings (6):"}) {
        EXPECT_TRUE(Contains(run.out, warning)) << warning << "\n" << run.out;
    }
}

TEST(CliCheck, MissingFileAndUsage) {
    TempDir dir;
    const CliRun missing = Cli("check " + dir.Path("nope.ini"), dir);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(Contains(missing.err, "No such file")) << missing.err;
    EXPECT_EQ(Cli("check a b", dir).exitCode, 2);
    EXPECT_EQ(Cli("check --format yaml", dir).exitCode, 2);
    EXPECT_EQ(Cli("frobnicate", dir).exitCode, 2);
    EXPECT_EQ(Cli("", dir).exitCode, 2);
}

}  // namespace
