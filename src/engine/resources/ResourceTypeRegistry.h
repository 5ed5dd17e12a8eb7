#pragma once
// The process-wide registry of resource types (engine/resources/
// ResourceTypeBase.h). A file name is matched to the type whose name is the
// longest suffix of it at a '.' boundary, without case ("a.lm.txt" is an
// "lm.txt" resource even when "txt" is registered as well). Text-form rule:
// a name that matches no type and does not end in ".txt" is matched as
// "<name>.txt", so "x.lm" finds the "lm.txt" type when "lm" has none (a
// type named just "txt" does not count for this).
// Safe for concurrent use.
#include <cstddef>
#include <string>

namespace Vek {

class ResourceTypeBase;

class ResourceTypeRegistry {
public:
    // Adds a type with a reference of the registry's own; false for null,
    // an empty name or a name already registered.
    static bool Register(ResourceTypeBase* type);
    static bool Unregister(ResourceTypeBase* type);
    // The type for a file name with one reference for the caller, or null.
    static ResourceTypeBase* FindForName(const char* fileName);
    static ResourceTypeBase* FindByTypeName(const char* typeName);
    static std::size_t Count();
    // Drops every registration (shutdown and tests).
    static void Clear();
};

}  // namespace Vek
