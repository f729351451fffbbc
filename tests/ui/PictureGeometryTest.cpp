#include "ui/PictureGeometry.h"

#include <gtest/gtest.h>

#include <optional>

namespace ryx::ui {
namespace {

TEST(OverviewPress, AcceptedRegionAndColumnMapping) {
    struct Case {
        int x;
        int y;
        std::optional<std::uint32_t> column;
    };
    const Case cases[] = {
        {5, 380, 0u},    {6, 380, 0u},           {9, 380, 0u},            {10, 380, 5u},
        {11, 380, 6u},   {489, 380, 484u},       {490, 380, std::nullopt}, {4, 380, std::nullopt},
        {-3, 380, std::nullopt},                 {100, 370, std::nullopt}, {100, 371, 95u},
        {100, 408, 95u}, {100, 409, std::nullopt}, {100, 200, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(overviewColumnAt(c.x, c.y), c.column) << c.x << "," << c.y;
}

}  // namespace
}  // namespace ryx::ui
