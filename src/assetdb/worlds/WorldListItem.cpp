#include "assetdb/worlds/WorldListItem.h"

#include "assetdb/worlds/RetainedWorldItems.h"
#include "assetdb/worlds/WorldList.h"
#include "foundation/kuid/KUID.h"

WorldListItem::~WorldListItem() {
    if (m_list) m_list->RemoveItem(this);
    RetainedWorldItems().erase(this);
}

const KUID& WorldListItem::GetKUID() const { return KUID::Null(); }

void WorldListItem::OnAdded() {}

void WorldListItem::OnRemoved() {}

void WorldListItem::GetBounds(WorldBounds& bounds) const { bounds = WorldBounds(); }
