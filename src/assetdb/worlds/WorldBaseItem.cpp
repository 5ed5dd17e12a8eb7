#include "assetdb/worlds/WorldBaseItem.h"

WorldBaseItem::~WorldBaseItem() = default;
void WorldBaseItem::Load(TStream&) {}
void WorldBaseItem::Save(TStream&) {}
void WorldBaseItem::Notify() {}
uint32_t WorldBaseItem::GetFlags() const { return 1; }
void WorldBaseItem::Dispatch(uint32_t, uint32_t) {}
void WorldBaseItem::LoadExtra(TStream&) {}
void WorldBaseItem::SaveExtra(TStream&) {}
void WorldBaseItem::LoadState(TStream&) {}
void WorldBaseItem::SaveState(TStream&) {}
