#pragma once
// A plug-in type: one kind of engine extension (a bitmap reader, a material,
// a resource type ...), known by a type name ("bmp") and a plug-in id (a
// GUID text). Counted (engine/ReferenceCount.h): the plug-in registry
// (engine/PluginBase.h) holds one reference while the type is registered,
// and whoever looks it up holds one more until it calls ReleaseReference.
#include <string>

#include "engine/PString.h"
#include "engine/ReferenceCount.h"

namespace Vek {

class PluginType : public ReferenceCount {
public:
    PluginType(const char* typeName, const char* id) : m_typeName(typeName), m_id(id ? id : "") {}

    const PString& GetTypeName() const { return m_typeName; }
    const std::string& GetId() const { return m_id; }

protected:
    ~PluginType() override = default;

private:
    PString m_typeName;
    std::string m_id;
};

}  // namespace Vek
