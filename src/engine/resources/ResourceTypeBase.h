#pragma once
// A resource type: the plug-in that makes the resources of one file suffix
// ("im", "lm.txt", "convert-tex.txt"), with a type UId and the family UId.
// ResourceType<T> makes resources of class T, which has a constructor
// (name, resource database).
#include <cstddef>
#include <new>
#include <string>

#include "engine/PString.h"
#include "engine/PluginType.h"
#include "engine/Resource.h"

namespace Vek {

class ResourceDatabase;

class ResourceTypeBase : public PluginType {
public:
    static constexpr const char* kFamilyUId = "4C414E80-BBDA-11d4-9AD7-0001025364B8";

    // `name` is the suffix without its leading '.'.
    ResourceTypeBase(const char* name, const char* typeUId, const char* familyUId = kFamilyUId)
        : PluginType(name, typeUId), m_familyUId(familyUId ? familyUId : "") {}

    const std::string& GetTypeUId() const { return GetId(); }
    const std::string& GetFamilyUId() const { return m_familyUId; }

    // A new resource of the type with one reference; null on failure. The
    // resource's type name is set to the type's name.
    Resource* Create(const PString& name, ResourceDatabase* database) {
        Resource* resource = CreateResource(name, database);
        if (resource) resource->SetTypeName(GetTypeName());
        return resource;
    }
    virtual std::size_t GetResourceSize() const = 0;

protected:
    virtual Resource* CreateResource(const PString& name, ResourceDatabase* database) = 0;

private:
    std::string m_familyUId;
};

template <typename T>
class ResourceType : public ResourceTypeBase {
public:
    using ResourceTypeBase::ResourceTypeBase;
    std::size_t GetResourceSize() const override { return sizeof(T); }

protected:
    Resource* CreateResource(const PString& name, ResourceDatabase* database) override {
        return new (std::nothrow) T(name, database);
    }
};

}  // namespace Vek
