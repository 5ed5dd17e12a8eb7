#include "engine/geometry/VertexType.h"

#include "engine/geometry/VertexItem.h"

namespace Vek {

int VertexType::CreateStream() {
    m_streamSizes.push_back(0);
    return static_cast<int>(m_streamSizes.size()) - 1;
}

bool VertexType::AddItem(const Item& item) {
    if (item.stream < 0 || item.stream >= GetStreamCount()) return false;
    uint32_t size = VertexItemSize(item.item);
    if (size == 0 || FindItem(item.item)) return false;
    Item added = item;
    uint32_t& streamSize = m_streamSizes[static_cast<std::size_t>(item.stream)];
    if (added.offset < 0) added.offset = static_cast<int>(streamSize);
    if (static_cast<uint32_t>(added.offset) + size > streamSize) streamSize = static_cast<uint32_t>(added.offset) + size;
    m_items.push_back(added);
    return true;
}

bool VertexType::AddItem(int newItem, int from) {
    const Item* source = FindItem(from);
    if (!source) return false;
    Item copy = *source;
    copy.item = newItem;
    copy.offset = -1;
    return AddItem(copy);
}

const VertexType::Item* VertexType::FindItem(int item) const {
    for (const Item& i : m_items)
        if (i.item == item) return &i;
    return nullptr;
}

int VertexType::GetItemStream(int item) const {
    const Item* found = FindItem(item);
    return found ? found->stream : -1;
}

uint32_t VertexType::GetVertexSize(int stream) const {
    return stream >= 0 && stream < GetStreamCount() ? m_streamSizes[static_cast<std::size_t>(stream)] : 0;
}

}  // namespace Vek
