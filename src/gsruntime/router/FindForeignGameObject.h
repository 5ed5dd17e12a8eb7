#pragma once
// FindForeignGameObject: the game object with a node id in any router of
// the process. Contexts are searched in the context registry's order;
// closed routers and game objects of `secured` classes are skipped unless
// `includeAll` is set. Only game objects bound to a class are found.
#include <cstdint>

namespace GSRuntime {

class GSGameObject;

GSGameObject* FindForeignGameObject(int32_t id, bool includeAll);

}  // namespace GSRuntime
