#include "assetdb/worlds/WorldGrid.h"

#include "assetdb/worlds/WorldListItem.h"
#include "assetdb/worlds/WorldPosition.h"

void WorldGrid::Insert(WorldListItem* item) {
    if (!item) return;
    WorldBounds bounds;
    item->GetBounds(bounds);
    WorldPosition low{bounds.tileX, bounds.tileZ, bounds.minX, bounds.minZ, bounds.minY, 0};
    WorldPosition high{bounds.tileX, bounds.tileZ, bounds.maxX, bounds.maxZ, bounds.maxY, 0};
    NormaliseWorldPosition(low);
    NormaliseWorldPosition(high);
    for (int32_t z = low.tileZ; z <= high.tileZ; ++z)
        for (int32_t x = low.tileX; x <= high.tileX; ++x)
            GetCell(CellKey(static_cast<int16_t>(x), static_cast<int16_t>(z))).insert(item);
}

void WorldGrid::Remove(WorldListItem* item) {
    for (auto it = m_cells.begin(); it != m_cells.end();) {
        if (it->second.erase(item) && it->second.empty())
            it = m_cells.erase(it);
        else
            ++it;
    }
}
