#pragma once
// The process-wide registry of plug-in types (engine/PluginType.h). The
// resource system registers the engine's own types when it initialises and
// withdraws them when it is destroyed; a type looked up before then stays
// alive for as long as its holder keeps the reference.
//
// Type names and ids compare without ASCII case, so the id
// "4C414E80-BBDA-11d4-9AD7-0001025364B8" is found however it is written.
// Safe for concurrent use.
#include <cstddef>

namespace Vek {

class PluginType;

class PluginBase {
public:
    // Adds a type; the registry takes a reference of its own. False for a
    // null type, an empty type name or id, or a type name and id already
    // registered.
    static bool RegisterPluginType(PluginType* type);
    // Withdraws a type and drops the registry's reference; false when it is
    // not registered.
    static bool UnregisterPluginType(PluginType* type);
    // The type registered under this type name and id, with one reference
    // for the caller; null when there is none.
    static PluginType* LookupPluginType(const char* typeName, const char* id);
    static std::size_t CountPluginTypes();
};

}  // namespace Vek
