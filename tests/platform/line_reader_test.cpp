#include "platform/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_files.h"

namespace quennit {
namespace {

using Lines = std::vector<std::string>;

TEST(LineReader, SplitsAtLineFeedAndDropsOneCarriageReturn) {
    using namespace std::string_literals;
    const std::string longLine(1 << 20, 'q');
    const std::pair<std::string, Lines> cases[] = {
        {"a\nb\r\nc\r\r\nd", {"a", "b", "c\r", "d"}},
        {"a\n\n", {"a", ""}},
        {"", {}},
        {"\r", {"\r"}},
        {"x\0y\n"s, {"x\0y"s}},
        {longLine, {longLine}},
    };
    test::TempDir dir;
    for (const auto& [content, expected] : cases) {
        LineReader reader(dir.Write("lines.txt", content));
        Lines lines;
        for (std::string line; reader.ReadLine(line);) {
            lines.push_back(line);
        }
        EXPECT_EQ(lines, expected) << content.substr(0, 20);
    }
}

}  // namespace
}  // namespace quennit
