#pragma once
// A vertex type: how the display reads a chunk's vertices, as streams of
// items (engine/geometry/VertexItem.h). Materials that need a layout of
// their own build one, add its items and register it with the display
// (Display::RegisterVertexType). Counted.
//
// An item added with offset -1 is placed after the items of its stream
// added before it; its size comes from its item number.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ReferenceCount.h"

namespace Vek {

class VertexType : public ReferenceCount {
public:
    struct Item {
        int item = 0;
        int stream = 0;
        int offset = -1;
        int dataType = 0;
        int semantic = 0;
        int index = -1;
        int flag = -1;
        std::string name;
    };

    explicit VertexType(int id) : m_id(id) {}

    int GetID() const { return m_id; }
    // Adds a stream; returns its number.
    int CreateStream();
    int GetStreamCount() const { return static_cast<int>(m_streamSizes.size()); }
    // Adds an item to an existing stream; false for an unknown stream, an
    // item number of no known size, or an item already present.
    bool AddItem(const Item& item);
    // The two-item form: adds `newItem` as a copy of the values of the
    // present item `from`.
    bool AddItem(int newItem, int from);
    const std::vector<Item>& GetItems() const { return m_items; }
    const Item* FindItem(int item) const;
    // The stream holding `item`, or -1.
    int GetItemStream(int item) const;
    uint32_t GetVertexSize(int stream = 0) const;

private:
    int m_id;
    std::vector<uint32_t> m_streamSizes;
    std::vector<Item> m_items;
};

}  // namespace Vek
