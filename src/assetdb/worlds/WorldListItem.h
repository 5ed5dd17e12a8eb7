#pragma once
// WorldListItem: an object that lives in a world list under a slot id. It is
// in no list (list null, id -1) or in exactly one; it leaves its list when it
// is destroyed. Its class names its factory type (WorldFactoryItem).
//
// The base destructor takes the item out of its list, so OnRemoved runs as
// WorldListItem's own (a no-op) by then; a class that needs its hook on
// destruction calls WorldList::RemoveItem in its own destructor.
#include <cstdint>

#include "assetdb/worlds/WorldBaseItem.h"
#include "assetdb/worlds/WorldFactoryItem.h"
#include "assetdb/worlds/WorldPosition.h"
#include "foundation/base/IdentifiableType.h"

class KUID;
class WorldList;

class WorldListItem : public WorldBaseItem, public WorldFactoryItem, public IdentifiableType {
public:
    WorldListItem() = default;
    // Leaves the list (when in one), then the retained-item set.
    ~WorldListItem() override;

    WorldList* GetList() const { return m_list; }
    int32_t GetID() const { return m_id; }

    // The asset the item stands for; the null KUID by default.
    virtual const KUID& GetKUID() const;
    // Called once the item has been placed in a list.
    virtual void OnAdded();
    // Called when the item is being taken out of its list.
    virtual void OnRemoved();
    // The item's extent; by default flag 1, tile (0, 0) and all six floats 0.
    virtual void GetBounds(WorldBounds& bounds) const;

private:
    friend class WorldList;
    WorldList* m_list = nullptr;
    int32_t m_id = -1;
};
