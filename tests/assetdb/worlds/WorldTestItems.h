#pragma once
// Small world items and factories for the world-list tests.
#include <cstdint>
#include <memory>
#include <vector>

#include "assetdb/worlds/WorldItemFactory.h"
#include "assetdb/worlds/WorldListItem.h"
#include "assetdb/worlds/WorldListValues.h"
#include "foundation/kuid/KUID.h"
#include "foundation/streams/Stream.h"

namespace WorldTest {

constexpr uint32_t kTypeA = WorldFactoryType("tstA");
constexpr uint32_t kTypeB = WorldFactoryType("tstB");
constexpr uint32_t kTypeState = WorldFactoryType("jnOb");

// An item whose data are one int32 payload (and one for extra and state).
class Item : public WorldListItem {
public:
    explicit Item(uint32_t type, int32_t payload = 0, uint32_t flags = 1)
        : type(type), payload(payload), flags(flags) {}

    uint32_t GetFactoryType() const override { return type; }
    uint32_t GetFlags() const override { return flags; }
    const KUID& GetKUID() const override { return kuid; }
    void GetBounds(WorldBounds& out) const override { out = bounds; }
    void OnAdded() override { ++added; }
    void Load(TStream& stream) override {
        ++loads;
        stream.ReadInt32(payload);
        seenKUID = WorldListValues::LoadingKUID();
        seenContext = WorldListValues::FactoryContext();
        seenListValue = WorldListValues::ListValue();
    }
    void Save(TStream& stream) override {
        stream.WriteInt32(payload);
        seenListValue = WorldListValues::ListValue();
    }
    void LoadExtra(TStream& stream) override { stream.ReadInt32(extra); }
    void SaveExtra(TStream& stream) override { stream.WriteInt32(extra); }
    void LoadState(TStream& stream) override { stream.ReadInt32(state); }
    void SaveState(TStream& stream) override { stream.WriteInt32(state); }
    void Dispatch(uint32_t code, uint32_t f) override { dispatched.push_back({code, f}); }

    uint32_t type;
    int32_t payload;
    uint32_t flags;
    KUID kuid;
    WorldBounds bounds;
    int32_t extra = 0;
    int32_t state = 0;
    int added = 0;
    int loads = 0;
    KUID seenKUID;
    void* seenContext = nullptr;
    int32_t seenListValue = -99;
    std::vector<std::pair<uint32_t, uint32_t>> dispatched;
};

// Makes Items of its type, reading their data through Load.
class Factory : public WorldItemFactory {
public:
    explicit Factory(uint32_t type) : WorldItemFactory(type, Vek::PString("test factory")) {}
    std::unique_ptr<WorldFactoryItem> Create(void* context, TStream& stream) override {
        ++created;
        lastContext = context;
        auto item = std::make_unique<Item>(GetFactoryType());
        item->Load(stream);
        return item;
    }
    int created = 0;
    void* lastContext = nullptr;
};

// A factory whose objects are not world-list items.
class StrangerFactory : public WorldItemFactory {
public:
    struct Stranger : WorldFactoryItem {
        uint32_t GetFactoryType() const override { return kTypeB; }
    };
    StrangerFactory() : WorldItemFactory(kTypeB, Vek::PString("stranger")) {}
    std::unique_ptr<WorldFactoryItem> Create(void*, TStream&) override { return std::make_unique<Stranger>(); }
};

}  // namespace WorldTest
