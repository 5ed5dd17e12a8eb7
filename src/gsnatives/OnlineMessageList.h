#pragma once
// The messages an online script object has received and not yet handed to
// its script, oldest first. Both online objects (the access object and the
// group) keep such a list; their CollectMessage natives take from it.
#include <cstdint>

#include "engine/AnsiString.h"
#include "foundation/soups/SoupHandle.h"

namespace GSRuntime {
class GSStack;
}

namespace GSNatives {

class OnlineAccessMessageListInterface {
public:
    virtual ~OnlineAccessMessageListInterface() = default;
    // With a message: the oldest leaves the list, `name` and `soup` (shared)
    // take its values, 0. Without one: 6 while connected, else 1; `name` and
    // `soup` are left as they are.
    virtual int32_t CollectMessage(Vek::String& name, SoupHandle& soup) = 0;
    virtual bool HasMessages() const = 0;
};

// The CollectMessage native of both objects: (string name, Soup message)
// arguments that receive the oldest message; pushes CollectMessage's result.
void CollectMessageNative(OnlineAccessMessageListInterface& list, GSRuntime::GSStack* stack);

}  // namespace GSNatives
