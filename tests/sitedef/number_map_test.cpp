#include "sitedef/number_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace quennit {
namespace {

using Order = std::vector<std::uint32_t>;

Order Enumerate(const NumberMap<int>& map) {
    Order order;
    for (auto pos = map.Start(); pos;) {
        order.push_back(map.Next(pos));
    }
    return order;
}

// Buckets of sixteen numbers in ascending order, each newest first (the
// order the settings dialog lists sites in); overwriting keeps the place.
TEST(NumberMap, EnumeratesBucketsAscendingNewestFirst) {
    const std::pair<std::uint32_t, Order> cases[] = {
        {0, {}},
        {3, {3, 2, 1}},
        {17, {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 17, 16}},
        {20, {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 20, 19, 18, 17, 16}},
    };
    for (const auto& [count, expected] : cases) {
        NumberMap<int> map;
        for (std::uint32_t n = 1; n <= count; ++n) {
            map.Set(n, 0);
        }
        EXPECT_EQ(Enumerate(map), expected) << count;
        for (std::uint32_t n = 1; n <= count; n += 2) {
            map.Set(n, 1);
        }
        EXPECT_EQ(Enumerate(map), expected) << count << " after overwriting";
    }
}

}  // namespace
}  // namespace quennit
