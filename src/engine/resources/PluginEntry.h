#pragma once
// The hook through which start-up calls the product's plug-in entry
// directly (there is no library loading here). The product sets its entry
// function once (Set); start-up runs it (Call); the entry creates its
// material plug-ins and resource types and hands each to the engine (Hand),
// keeping no pointer itself.
//
// Hand takes over the creator's reference: the plug-in goes into the
// plug-in registry (engine/PluginBase.h), a resource type also into the
// resource-type registry. A plug-in that cannot be registered is released
// and Hand returns false. ReleaseAll withdraws everything handed, in the
// reverse order (shutdown, tests). The material manager finds the handed
// material plug-ins through Snapshot.
#include <vector>

#include "engine/ReferenceCount.h"

namespace Vek {

class PluginType;

class PluginEntry {
public:
    using Function = void (*)();

    static void Set(Function entry);
    static Function Get();
    // Runs the entry; false when none is set.
    static bool Call();
    static bool Hand(PluginType* plugin);
    // The handed plug-ins in order, each with one reference for the caller.
    static std::vector<AutoReference<PluginType>> Snapshot();
    static void ReleaseAll();
};

}  // namespace Vek
