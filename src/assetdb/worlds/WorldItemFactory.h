#pragma once
// WorldItemFactory: the creator of one class of world items, found by its
// four-character factory type when a world list is loaded. A factory
// registers itself in the process-wide registry when it is made and leaves
// it when it is destroyed; the registry exists while a factory is
// registered. Factories are made and destroyed on one thread (at start-up
// and exit); the registry has no lock.
#include <cstdint>
#include <memory>

#include "engine/PString.h"

class TStream;
class WorldFactoryItem;

class WorldItemFactory {
public:
    WorldItemFactory(uint32_t factoryType, const Vek::PString& name);
    virtual ~WorldItemFactory();
    WorldItemFactory(const WorldItemFactory&) = delete;
    WorldItemFactory& operator=(const WorldItemFactory&) = delete;

    uint32_t GetFactoryType() const { return m_factoryType; }
    const Vek::PString& GetName() const { return m_name; }

    // A new object made from the stream; null when it cannot be made.
    virtual std::unique_ptr<WorldFactoryItem> Create(void* factoryContext, TStream& stream) = 0;

    // The number of registered factories.
    static std::size_t RegisteredCount();

private:
    uint32_t m_factoryType;
    Vek::PString m_name;
};

// The object made by the first registered factory of that type (in order
// of registration); null when none has the type or it made nothing.
std::unique_ptr<WorldFactoryItem> CreateWorldItem(uint32_t factoryType, void* factoryContext, TStream& stream);
