#pragma once
// GSContextRegistry: every script context of the process, in ascending
// order of address. Contexts enter it when they are made and leave it when
// they are destroyed; callers that need every context (the search for a
// game object of another context) walk it in its order. No lock: contexts
// belong to one thread of control.
#include <set>

namespace GSRuntime {

class GSContext;

class GSContextRegistry {
public:
    static void Add(GSContext* context);
    static void Remove(GSContext* context);
    static bool Contains(const GSContext* context);
    // The contexts, ascending by address.
    static const std::set<GSContext*>& Contexts();

private:
    static std::set<GSContext*>& Set();
};

}  // namespace GSRuntime
