#include "assetdb/worlds/WorldGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "WorldTestItems.h"
#include "assetdb/worlds/WorldList.h"
#include "assetdb/worlds/WorldPosition.h"

namespace {

TEST(NormaliseWorldPosition, MovesWholeTilesOutOfTheOffsets) {
    struct Case {
        int16_t tile;
        float offset;
        int16_t expectedTile;
        float expectedOffset;
    };
    const Case cases[] = {
        {0, -0.5f, -1, 719.5f},
        {0, 720.0f, 1, 0.0f},
        {0, 1440.0f, 2, 0.0f},
        {0, 0.0f, 0, 0.0f},
        {0, 719.0f, 0, 719.0f},
        {0, -720.0f, -1, 0.0f},
        {5, -1440.0f, 3, 0.0f},
        {32767, 720.0f, -32768, 0.0f},  // the tile wraps
        {-32768, -1.0f, 32767, 719.0f},
    };
    for (const Case& c : cases) {
        WorldPosition position{c.tile, c.tile, c.offset, c.offset, 3.0f, 0};
        NormaliseWorldPosition(position);
        EXPECT_EQ(position.tileX, c.expectedTile) << c.offset;
        EXPECT_EQ(position.tileZ, c.expectedTile) << c.offset;
        EXPECT_FLOAT_EQ(position.x, c.expectedOffset) << c.offset;
        EXPECT_FLOAT_EQ(position.z, c.expectedOffset) << c.offset;
        EXPECT_EQ(position.y, 3.0f);
        EXPECT_EQ(position.normalised, 1);
    }

    // Just below 720 the rounding allowance moves up a tile.
    WorldPosition near{0, 0, 719.95f, 10.0f, 0.0f, 0};
    NormaliseWorldPosition(near);
    EXPECT_EQ(near.tileX, 1);
    EXPECT_LT(near.x, 0.0f);
    EXPECT_GT(near.x, -0.1f);

    // Offsets beyond any tile count, and NaN, leave the tile as it is.
    WorldPosition wild{4, 4, 1e30f, std::numeric_limits<float>::quiet_NaN(), 0.0f, 0};
    NormaliseWorldPosition(wild);
    EXPECT_EQ(wild.tileX, 4);
    EXPECT_EQ(wild.tileZ, 4);
}

TEST(WorldGrid, PutsAnItemInEveryTileItsBoundsTouch) {
    WorldGrid grid;
    WorldList list;
    list.AttachGrid(&grid);
    auto* item = new WorldTest::Item(WorldTest::kTypeA);
    item->bounds.tileX = 0;
    item->bounds.tileZ = 3;
    item->bounds.minX = -10.0f;
    item->bounds.maxX = 10.0f;
    item->bounds.minZ = 5.0f;
    item->bounds.maxZ = 6.0f;
    list.AddItem(item);
    ASSERT_EQ(grid.Cells().size(), 2u);
    EXPECT_EQ(grid.Cells().count(WorldGrid::CellKey(-1, 3)), 1u);
    EXPECT_EQ(grid.Cells().count(WorldGrid::CellKey(0, 3)), 1u);
    EXPECT_EQ(WorldGrid::CellKey(-1, 3), 0x0003FFFFu);

    auto* inverted = new WorldTest::Item(WorldTest::kTypeA);
    inverted->bounds.minX = 800.0f;  // minimum tile above the maximum
    list.AddItem(inverted);
    EXPECT_EQ(grid.Cells().size(), 2u);

    delete item;  // its only cells go with it
    EXPECT_TRUE(grid.Cells().empty());
    list.AttachGrid(nullptr);
}

}  // namespace
