#pragma once
// WorldList: an indexed container of world items. Items sit in slots (ids
// 0 .. slot count - 1) kept in blocks of 1024; AddItem hands out even ids,
// PutItemAt places an item under a given id. The list owns its items and
// destroys them with it. Lists save and load their items in chunked stream
// sections, recreating items through the factories registered for their
// types, and can keep a WorldGrid of their items up to date.
//
// Saved form (all integers little-endian):
//   int32 5 (version); int32 list value;
//   per selected item: int32 id; int32 factory type; KUID (stream form);
//     int32 length; the item's Save data;
//   int32 -1;
//   the extra section: int32 section length; int32 0xFEEDCEEB; int32 5;
//     int32 list value; when mask & value has bit 2, per selected item:
//     int32 id; int32 factory type; int32 length; the item's SaveExtra data;
//     then int32 -1.
// Versions 1 to 5 load (see LoadItems).
#include <cstdint>
#include <set>

#include "assetdb/worlds/BlockArray.h"
#include "assetdb/worlds/WorldBaseItem.h"

class TStream;
class WorldGrid;
class WorldListItem;

class WorldList : private BlockArray<WorldListItem*>, public WorldBaseItem {
public:
    static constexpr int32_t kFormatVersion = 5;
    static constexpr uint32_t kSectionMarker = 0xFEEDCEEB;
    // Item data longer than this end the records of a load.
    static constexpr int32_t kMaxItemDataLength = 0xFFFFFF;
    // The highest id a list accepts. A stream naming a higher id is taken
    // as damaged, so that it cannot make the slot array grow without limit.
    static constexpr int32_t kMaxItemID = 0xFFFFFF;
    // The factory type of the items that take part in the state section.
    static constexpr uint32_t kStateItemType = 0x6A6E4F62;  // 'jnOb'

    explicit WorldList(void* factoryContext = nullptr, int32_t listValue = 0);
    // Destroys every item, then frees the reserved ids and the slots.
    ~WorldList() override;

    // ---- placing and removing ----
    // Places an item under the lowest free even id at or after the even-id
    // hint (not a reserved id), adding two slots when none is left. Returns
    // the id; -1 when the item is already in a list or memory runs out.
    int32_t AddItem(WorldListItem* item);
    // Places an item under `id`, growing the slot count to id + 1 when
    // needed. False when the item is already in a list, the id is negative or
    // above kMaxItemID, the slot is taken, or memory runs out.
    bool PutItemAt(int32_t id, WorldListItem* item);
    // Takes an item of this list out (its destructor calls this): grid,
    // OnRemoved, slot emptied, list null and id -1. A retained item's id is
    // reserved; otherwise the id lowers the hint of its parity.
    void RemoveItem(WorldListItem* item);
    // Destroys every item in slot order and empties the list.
    void DeleteAllItems();

    // ---- lookup ----
    // The item with that id, or null.
    WorldListItem* GetItem(int32_t id) const;
    int32_t GetSlotCount() const { return m_slotCount; }
    int32_t GetItemCount() const { return m_itemCount; }
    using BlockArray<WorldListItem*>::GetBlock;
    using BlockArray<WorldListItem*>::BlockCount;

    // ---- settings ----
    void* GetFactoryContext() const { return m_factoryContext; }
    void SetFactoryContext(void* context) { m_factoryContext = context; }
    int32_t GetListValue() const { return m_listValue; }
    void SetListValue(int32_t value) { m_listValue = value; }
    // Attaches a grid (not owned; null detaches) and inserts the current
    // items into it. The grid must outlive the list or be detached first.
    void AttachGrid(WorldGrid* grid);
    WorldGrid* GetGrid() const { return m_grid; }
    const std::set<int32_t>& GetReservedIDs() const { return m_reservedIDs; }
    int32_t GetEvenIDHint() const { return m_evenHint; }
    int32_t GetOddIDHint() const { return m_oddHint; }

    // ---- WorldBaseItem: forwarding to the items ----
    // Notify of every item, in slot order.
    void Notify() override;
    // Sets bit 0 of the flags and calls Dispatch of every item whose flags
    // hold all of those bits.
    void Dispatch(uint32_t code, uint32_t flags) override;
    // The state section of the items of type 'jnOb'.
    void LoadState(TStream& stream) override;
    void SaveState(TStream& stream) override;

    // ---- saving and loading ----
    // Loads the saved form; with clearFirst the list is emptied first. The
    // extra section's records are read only when flags has bit 2. Loading
    // stops quietly at the first record that does not fit; items loaded
    // before it stay.
    virtual void LoadItems(TStream& stream, bool clearFirst, uint32_t flags);
    // Saves the items whose flags AND mask equal value AND mask.
    virtual void SaveItems(TStream& stream, uint32_t mask, uint32_t value);
    // Destroys the items whose flags AND mask equal value AND mask.
    virtual void DeleteItems(uint32_t mask, uint32_t value);

private:
    bool Selected(const WorldListItem* item, uint32_t mask, uint32_t value) const;
    // Stores a placed item: list, id, slot, OnAdded, grid.
    void Place(WorldListItem* item, int32_t id, WorldListItem** slot);
    // The item records of versions 2 and 3 to 5. False when the stream
    // named an id beyond kMaxItemID (the rest of the stream is not trusted).
    bool LoadRecordsV2(TStream& stream);
    bool LoadRecordsV3(TStream& stream);
    void LoadExtraSection(TStream& stream, uint32_t flags);

    int32_t m_slotCount = 0;
    int32_t m_itemCount = 0;
    void* m_factoryContext;
    WorldGrid* m_grid = nullptr;
    int32_t m_listValue;
    int32_t m_evenHint = 0;
    int32_t m_oddHint = 1;
    std::set<int32_t> m_reservedIDs;
};
