#include "sitedef/number_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace quennit {
namespace {

std::vector<std::uint32_t> OrderAfterInserting(std::uint32_t count) {
    NumberMap<int> map;
    for (std::uint32_t n = 1; n <= count; ++n) {
        map.Set(n, static_cast<int>(n));
    }
    std::vector<std::uint32_t> order;
    for (auto pos = map.Start(); pos;) {
        order.push_back(map.Next(pos));
    }
    return order;
}

std::vector<std::uint32_t> Range(std::uint32_t from, std::uint32_t to) {
    std::vector<std::uint32_t> r;
    for (std::uint32_t n = from;; from > to ? --n : ++n) {
        r.push_back(n);
        if (n == to) {
            break;
        }
    }
    return r;
}

TEST(NumberMap, EnumeratesBucketsAscendingNewestFirst) {
    EXPECT_EQ(OrderAfterInserting(3), (std::vector<std::uint32_t>{3, 2, 1}));

    auto expected17 = Range(15, 1);
    expected17.insert(expected17.end(), {17, 16});
    EXPECT_EQ(OrderAfterInserting(17), expected17);

    auto expected20 = Range(15, 1);
    const auto tail = Range(20, 16);
    expected20.insert(expected20.end(), tail.begin(), tail.end());
    EXPECT_EQ(OrderAfterInserting(20), expected20);

    EXPECT_TRUE(OrderAfterInserting(0).empty());
}

TEST(NumberMap, NumbersFarApartShareBucketsByTheirHash) {
    // 0 and 272 (= 17 * 16) fall into bucket 0; 16 into bucket 1.
    NumberMap<int> map;
    for (std::uint32_t n : {16u, 0u, 272u}) {
        map.Set(n, 0);
    }
    std::vector<std::uint32_t> order;
    for (auto pos = map.Start(); pos;) {
        order.push_back(map.Next(pos));
    }
    EXPECT_EQ(order, (std::vector<std::uint32_t>{272, 0, 16}));
}

TEST(NumberMap, OverwritingKeepsThePlaceAndRemoveAllEmpties) {
    NumberMap<int> map;
    map.Set(1, 10);
    map.Set(2, 20);
    map.Set(1, 11);
    EXPECT_EQ(map.Size(), 2u);
    EXPECT_EQ(*map.Find(1), 11);
    map.At(3) = 30;
    EXPECT_EQ(*map.Find(3), 30);
    map.RemoveAll();
    EXPECT_TRUE(map.Empty());
    EXPECT_EQ(map.Find(1), nullptr);
    EXPECT_FALSE(map.Start().has_value());
}

}  // namespace
}  // namespace quennit
