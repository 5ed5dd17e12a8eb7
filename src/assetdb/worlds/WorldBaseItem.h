#pragma once
// WorldBaseItem: the polymorphic base of everything a world list handles,
// the list included. Every operation does nothing by default; GetFlags
// answers 1.
#include <cstdint>

class TStream;

class WorldBaseItem {
public:
    WorldBaseItem() = default;
    virtual ~WorldBaseItem();
    WorldBaseItem(const WorldBaseItem&) = delete;
    WorldBaseItem& operator=(const WorldBaseItem&) = delete;

    // The item's own data.
    virtual void Load(TStream& stream);
    virtual void Save(TStream& stream);
    // A notification without arguments.
    virtual void Notify();
    virtual uint32_t GetFlags() const;
    // A notification with two arguments.
    virtual void Dispatch(uint32_t code, uint32_t flags);
    // The item's part of the extra section.
    virtual void LoadExtra(TStream& stream);
    virtual void SaveExtra(TStream& stream);
    // The item's part of the state section.
    virtual void LoadState(TStream& stream);
    virtual void SaveState(TStream& stream);
};
