#include "assetdb/worlds/WorldList.h"

#include <memory>

#include "assetdb/worlds/RetainedWorldItems.h"
#include "assetdb/worlds/WorldGrid.h"
#include "assetdb/worlds/WorldItemFactory.h"
#include "assetdb/worlds/WorldListItem.h"
#include "assetdb/worlds/WorldListValues.h"
#include "foundation/kuid/KUID.h"
#include "foundation/streams/Stream.h"
#include "foundation/streams/SubFileStream.h"

namespace {

// Extra records of sub-version 0 carry no type; they stand for this one.
constexpr uint32_t kUntypedExtra = 0x20202020;
constexpr uint32_t kExtraRecordsBit = 4;

bool IdAcceptable(int32_t id) { return static_cast<uint32_t>(id) <= static_cast<uint32_t>(WorldList::kMaxItemID); }

}  // namespace

WorldList::WorldList(void* factoryContext, int32_t listValue)
    : m_factoryContext(factoryContext), m_listValue(listValue) {}

WorldList::~WorldList() {
    DeleteAllItems();
    m_reservedIDs.clear();
    ClearBlocks();
}

WorldListItem* WorldList::GetItem(int32_t id) const {
    if (id < 0 || id >= m_slotCount) return nullptr;
    return GetSlot(static_cast<uint32_t>(id));
}

void WorldList::Place(WorldListItem* item, int32_t id, WorldListItem** slot) {
    *slot = item;
    item->m_list = this;
    item->m_id = id;
    m_itemCount += 1;
    item->OnAdded();
    if (m_grid) m_grid->Insert(item);
}

int32_t WorldList::AddItem(WorldListItem* item) {
    if (!item || item->m_list) return -1;
    while (m_evenHint < m_slotCount &&
           (GetSlot(static_cast<uint32_t>(m_evenHint)) || m_reservedIDs.count(m_evenHint)))
        m_evenHint += 2;
    if (m_evenHint > kMaxItemID) return -1;
    const int32_t slotCountBefore = m_slotCount;
    if (m_evenHint >= m_slotCount) {
        // No free even slot: two new empty slots.
        m_slotCount += 2;
        if (m_evenHint >= m_slotCount) m_slotCount = m_evenHint + 1;
    }
    WorldListItem** slot = TouchSlot(static_cast<uint32_t>(m_evenHint));
    if (!slot) {
        m_slotCount = slotCountBefore;
        return -1;
    }
    const int32_t id = m_evenHint;
    m_evenHint = id + 2;
    Place(item, id, slot);
    return id;
}

bool WorldList::PutItemAt(int32_t id, WorldListItem* item) {
    if (!item || item->m_list || !IdAcceptable(id)) return false;
    if (id >= m_slotCount) m_slotCount = id + 1;
    WorldListItem** slot = TouchSlot(static_cast<uint32_t>(id));
    if (!slot || *slot) return false;
    Place(item, id, slot);
    return true;
}

void WorldList::RemoveItem(WorldListItem* item) {
    if (!item || item->m_list != this) return;
    if (m_grid) m_grid->Remove(item);
    item->OnRemoved();
    const int32_t id = item->m_id;
    if (WorldListItem** slot = TouchSlot(static_cast<uint32_t>(id)); slot && *slot == item) *slot = nullptr;
    item->m_list = nullptr;
    item->m_id = -1;
    m_itemCount -= 1;

    if (RetainedWorldItems().count(item)) {
        m_reservedIDs.insert(id);
    } else if (id % 2 == 0) {
        if (id < m_evenHint) m_evenHint = id;
    } else if (id < m_oddHint) {
        m_oddHint = id;
    }
}

void WorldList::DeleteAllItems() {
    if (m_grid) m_grid->Clear();
    for (int32_t id = 0; id < m_slotCount; ++id)
        if (WorldListItem* item = GetItem(id)) delete item;
    ClearBlocks();
    m_slotCount = 0;
    m_itemCount = 0;
    m_evenHint = 0;
    m_oddHint = 1;
    m_reservedIDs.clear();
}

bool WorldList::Selected(const WorldListItem* item, uint32_t mask, uint32_t value) const {
    return (item->GetFlags() & mask) == (value & mask);
}

void WorldList::DeleteItems(uint32_t mask, uint32_t value) {
    if (mask == 0 && m_grid) m_grid->Clear();
    for (int32_t id = 0; id < m_slotCount; ++id) {
        WorldListItem* item = GetItem(id);
        if (!item || !Selected(item, mask, value)) continue;
        if (m_grid) m_grid->Remove(item);
        delete item;
    }
}

void WorldList::AttachGrid(WorldGrid* grid) {
    m_grid = grid;
    if (!m_grid) return;
    for (int32_t id = 0; id < m_slotCount; ++id)
        if (WorldListItem* item = GetItem(id)) m_grid->Insert(item);
}

void WorldList::Notify() {
    for (int32_t id = 0; id < m_slotCount; ++id)
        if (WorldListItem* item = GetItem(id)) item->Notify();
}

void WorldList::Dispatch(uint32_t code, uint32_t flags) {
    flags |= 1;
    for (int32_t id = 0; id < m_slotCount; ++id) {
        WorldListItem* item = GetItem(id);
        if (item && (item->GetFlags() & flags) == flags) item->Dispatch(code, flags);
    }
}

// ---- saving ----

void WorldList::SaveItems(TStream& stream, uint32_t mask, uint32_t value) {
    stream.WriteInt32(kFormatVersion);
    stream.WriteInt32(m_listValue);
    for (int32_t id = 0; id < m_slotCount; ++id) {
        WorldListItem* item = GetItem(id);
        if (!item || !Selected(item, mask, value)) continue;
        stream.WriteInt32(id);
        stream.WriteUInt32(item->GetFactoryType());
        stream.WriteKUID(item->GetKUID());
        const int32_t block = stream.BeginSizedBlock();
        {
            WorldListValues::Scope published(KUID(), nullptr, m_listValue);
            item->Save(stream);
        }
        stream.EndSizedBlock(block);
    }
    stream.WriteInt32(-1);

    const int32_t section = stream.BeginSizedBlock();
    stream.WriteUInt32(kSectionMarker);
    stream.WriteInt32(kFormatVersion);
    stream.WriteInt32(m_listValue);
    if ((mask & value) & kExtraRecordsBit) {
        for (int32_t id = 0; id < m_slotCount; ++id) {
            WorldListItem* item = GetItem(id);
            if (!item || !Selected(item, mask, value)) continue;
            stream.WriteInt32(id);
            stream.WriteUInt32(item->GetFactoryType());
            const int32_t block = stream.BeginSizedBlock();
            item->SaveExtra(stream);
            stream.EndSizedBlock(block);
        }
    }
    stream.WriteInt32(-1);
    stream.EndSizedBlock(section);
}

void WorldList::SaveState(TStream& stream) {
    const int32_t section = stream.BeginSizedBlock();
    stream.WriteUInt32(kSectionMarker);
    stream.WriteInt32(1);
    for (int32_t id = 0; id < m_slotCount; ++id) {
        WorldListItem* item = GetItem(id);
        if (!item || item->GetFactoryType() != kStateItemType) continue;
        stream.WriteInt32(id);
        const int32_t block = stream.BeginSizedBlock();
        item->SaveState(stream);
        stream.EndSizedBlock(block);
    }
    stream.WriteInt32(-1);
    stream.EndSizedBlock(section);
}

// ---- loading ----

void WorldList::LoadItems(TStream& stream, bool clearFirst, uint32_t flags) {
    if (clearFirst) DeleteAllItems();
    int32_t version = 0;
    if (!stream.ReadInt32(version)) return;
    if (version < 1 || version > kFormatVersion) return;

    const int32_t keptValue = m_listValue;
    if (version == 5) {
        int32_t stored = 0;
        stream.ReadInt32(stored);
        m_listValue = stored;
    }
    bool trusted = true;
    if (version == 2) trusted = LoadRecordsV2(stream);
    if (version >= 3) trusted = LoadRecordsV3(stream);
    m_listValue = keptValue;

    if (trusted && version >= 4) LoadExtraSection(stream, flags);
}

bool WorldList::LoadRecordsV2(TStream& stream) {
    for (;;) {
        int32_t id = -1;
        if (!stream.ReadInt32(id) || id == -1) return true;
        if (!IdAcceptable(id)) return false;
        uint32_t type = 0;
        if (!stream.ReadUInt32(type)) return true;

        WorldListItem* existing = GetItem(id);
        if (existing && existing->GetFactoryType() == type) {
            existing->Load(stream);
            continue;
        }
        delete existing;
        // The data are not framed: an object that cannot be made leaves the
        // stream where nothing more can be read.
        std::unique_ptr<WorldFactoryItem> created = CreateWorldItem(type, m_factoryContext, stream);
        auto* item = dynamic_cast<WorldListItem*>(created.get());
        if (!item) return true;
        created.release();
        if (!PutItemAt(id, item)) delete item;
    }
}

bool WorldList::LoadRecordsV3(TStream& stream) {
    for (;;) {
        int32_t id = -1;
        if (!stream.ReadInt32(id) || id == -1) return true;
        if (!IdAcceptable(id)) return false;
        uint32_t type = 0;
        KUID kuid;
        int32_t length = 0;
        stream.ReadUInt32(type);
        stream.ReadKUID(kuid);
        if (!stream.ReadInt32(length)) return true;
        if (static_cast<uint32_t>(length) > static_cast<uint32_t>(kMaxItemDataLength)) return true;

        const int32_t start = stream.Tell();
        const int32_t end = start + length;
        WorldListItem* loaded = nullptr;
        {
            WorldListValues::Scope published(kuid, m_factoryContext, m_listValue);
            TSubFile window(stream, start, end);
            WorldListItem* existing = GetItem(id);
            if (existing && existing->GetFactoryType() == type) {
                existing->Load(window);
                loaded = existing;
            } else {
                delete existing;
                std::unique_ptr<WorldFactoryItem> created = CreateWorldItem(type, m_factoryContext, window);
                // Unknown types and objects that are no list items skip their data.
                if (auto* item = dynamic_cast<WorldListItem*>(created.get())) {
                    created.release();
                    if (PutItemAt(id, item))
                        loaded = item;
                    else
                        delete item;
                }
            }
        }
        stream.SetPosition(end);
        if (stream.Tell() != end) {
            delete loaded;
            return true;
        }
    }
}

void WorldList::LoadExtraSection(TStream& stream, uint32_t flags) {
    int32_t sectionLength = 0;
    if (!stream.ReadInt32(sectionLength)) return;
    const int32_t sectionStart = stream.Tell();
    if (sectionLength < 0) return;
    const int64_t sectionEnd = static_cast<int64_t>(sectionStart) + sectionLength;

    if (flags & kExtraRecordsBit) {
        const int32_t slotCount = m_slotCount;
        const int32_t keptValue = m_listValue;
        int32_t marker = 0;
        uint32_t subVersion = 0;
        bool readable = stream.ReadInt32(marker);
        if (readable) {
            if (static_cast<uint32_t>(marker) == kSectionMarker)
                stream.ReadUInt32(subVersion);
            else
                stream.StepBack(4);  // the marker's bytes are the first id
        }
        if (readable && subVersion <= 5) {
            if (subVersion >= 2) {
                int32_t stored = 0;
                stream.ReadInt32(stored);
                m_listValue = stored;
            }
            for (;;) {
                int32_t id = -1;
                if (!stream.ReadInt32(id) || id == -1 || static_cast<uint32_t>(id) >= static_cast<uint32_t>(slotCount))
                    break;
                uint32_t type = kUntypedExtra;
                if (subVersion >= 1) stream.ReadUInt32(type);
                int32_t length = -1;
                stream.ReadInt32(length);
                if (length == -1 || static_cast<uint32_t>(length) == kSectionMarker || length < 0) break;
                const int32_t start = stream.Tell();
                if (static_cast<int64_t>(start) + length > sectionEnd) break;
                WorldListItem* item = GetItem(id);
                if (item && item->GetFactoryType() == type) {
                    TSubFile window(stream, start, start + length);
                    item->LoadExtra(window);
                }
                stream.SetPosition(start + length);
            }
        }
        m_listValue = keptValue;
    }
    stream.SetPosition(static_cast<int32_t>(sectionEnd));
}

void WorldList::LoadState(TStream& stream) {
    int32_t sectionLength = 0;
    if (!stream.ReadInt32(sectionLength)) return;
    const int32_t sectionStart = stream.Tell();
    const int64_t sectionEnd = static_cast<int64_t>(sectionStart) + sectionLength;
    uint32_t marker = 0;
    int32_t version = -1;
    stream.ReadUInt32(marker);
    stream.ReadInt32(version);
    const bool placeholder = static_cast<uint32_t>(sectionLength) == kSectionMarker;
    if (marker == kSectionMarker && (version == 0 || version == 1) && !placeholder) {
        for (;;) {
            int32_t id = -1;
            if (!stream.ReadInt32(id) || id == -1 || static_cast<uint32_t>(id) >= static_cast<uint32_t>(m_slotCount))
                break;
            int32_t length = -1;
            stream.ReadInt32(length);
            const int32_t start = stream.Tell();
            if (length < 0 || static_cast<int64_t>(start) + length > sectionEnd) break;
            WorldListItem* item = GetItem(id);
            if (item && item->GetFactoryType() == kStateItemType && length > 0) {
                TSubFile window(stream, start, start + length);
                item->LoadState(window);
            }
            stream.SetPosition(start + length);
        }
    }
    // A section whose length was never patched has no end to go to.
    if (sectionLength >= 0) stream.SetPosition(static_cast<int32_t>(sectionEnd));
}
