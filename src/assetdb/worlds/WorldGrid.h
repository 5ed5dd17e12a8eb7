#pragma once
// WorldGrid: finds world items by tile. An ordered map from a cell key (tile
// x in the low 16 bits, tile z in the high 16 bits) to the set of items whose
// bounds touch that tile. A cell exists while it holds an item.
#include <cstdint>
#include <map>
#include <set>

class WorldListItem;

class WorldGrid {
public:
    using Cell = std::set<WorldListItem*>;

    static uint32_t CellKey(int16_t tileX, int16_t tileZ) {
        return static_cast<uint32_t>(static_cast<uint16_t>(tileX)) |
               (static_cast<uint32_t>(static_cast<uint16_t>(tileZ)) << 16);
    }

    // Adds the item to every cell from its normalised minimum corner to its
    // normalised maximum corner (tiles compared as signed 16-bit numbers);
    // none when a minimum tile exceeds the maximum.
    void Insert(WorldListItem* item);
    // Takes the item out of every cell; a cell left empty goes.
    void Remove(WorldListItem* item);
    void Clear() { m_cells.clear(); }
    // The cell of that key, made empty when missing.
    Cell& GetCell(uint32_t key) { return m_cells[key]; }

    const std::map<uint32_t, Cell>& Cells() const { return m_cells; }

private:
    std::map<uint32_t, Cell> m_cells;
};
