#include "engine/byte_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace quennit {
namespace {

// The block-wise search must agree with a plain find at every offset, in
// particular where a match straddles a 16-byte block or the end of the text.
TEST(FindBytes, AgreesWithAPlainSearch) {
    std::mt19937 random(7);
    const char alphabet[] = "ab<>";
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 70, ' ');
        for (char& c : text) {
            c = alphabet[random() % 4];
        }
        std::string marker(1 + random() % 6, ' ');
        for (char& c : marker) {
            c = alphabet[random() % 4];
        }
        const std::size_t from = text.empty() ? 0 : random() % text.size();
        ASSERT_EQ(FindBytes(text.data(), text.size(), from, marker),
                  std::string_view(text).find(marker, from))
            << "text '" << text << "' marker '" << marker << "' from " << from;
    }
}

}  // namespace
}  // namespace quennit
