#include "platform/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace quennit {
namespace {

std::vector<std::string> ReadAll(const std::string& content) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("quennit_line_reader_" + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary) << content;
    LineReader reader(path.string());
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line)) {
        lines.push_back(line);
    }
    std::filesystem::remove(path);
    return lines;
}

TEST(LineReader, SplitsAtLineFeedAndDropsOneCarriageReturn) {
    EXPECT_EQ(ReadAll("a\nb\r\nc\r\r\nd"), (std::vector<std::string>{"a", "b", "c\r", "d"}));
    EXPECT_EQ(ReadAll("a\n\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(ReadAll(""), std::vector<std::string>{});
    EXPECT_EQ(ReadAll("\r"), std::vector<std::string>{"\r"});
}

TEST(LineReader, KeepsNulBytesAndLongLines) {
    const std::string nul("x\0y", 3);
    EXPECT_EQ(ReadAll(nul + "\n"), std::vector<std::string>{nul});
    const std::string longLine(1 << 20, 'q');
    EXPECT_EQ(ReadAll(longLine), std::vector<std::string>{longLine});
}

TEST(LineReader, MissingFileThrowsWithTheSystemReason) {
    try {
        LineReader reader("/nonexistent/dir/SearchSite.ini");
        FAIL() << "expected FileException";
    } catch (const FileException& e) {
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace quennit
