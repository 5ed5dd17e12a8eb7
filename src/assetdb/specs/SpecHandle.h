#pragma once
// SpecHandle: a counted pointer to an AssetSpec. Holding a handle keeps one
// reference on the AssetSpec; dropping it gives the reference back and stamps the
// spec's last-use time. A handle never deletes its spec: the registry does,
// once the count is 0 (SpecRegistry.h).
#include "assetdb/specs/AssetSpec.h"

class VorlexBaseSpec;

class SpecHandle {
public:
    SpecHandle() = default;
    // Takes a reference to `spec` (null: an empty handle).
    explicit SpecHandle(AssetSpec* spec) { Assign(spec); }
    SpecHandle(const SpecHandle& other) { Assign(other.m_spec); }
    SpecHandle(SpecHandle&& other) noexcept : m_spec(other.m_spec) { other.m_spec = nullptr; }
    SpecHandle& operator=(const SpecHandle& other) {
        Assign(other.m_spec);
        return *this;
    }
    SpecHandle& operator=(SpecHandle&& other) noexcept;
    ~SpecHandle() { Release(); }

    // References the new spec, stores it, then drops the old one.
    void Assign(AssetSpec* spec);
    // Drops the reference; the handle becomes empty.
    void Release();

    AssetSpec* Get() const { return m_spec; }
    AssetSpec* operator->() const { return m_spec; }
    AssetSpec& operator*() const { return *m_spec; }
    explicit operator bool() const { return m_spec != nullptr; }

    // The AssetSpec's KUID; the null KUID for an empty handle.
    KUID GetKuid() const { return m_spec ? m_spec->GetKuid() : KUID(); }
    // The AssetSpec when it is a VorlexBaseSpec (or derived), else null.
    VorlexBaseSpec* AsVorlexBaseSpec() const;
    // A handle of its own on the AssetSpec when it is a VorlexBaseSpec, else empty.
    SpecHandle CastToVorlexBaseSpec() const;

private:
    AssetSpec* m_spec = nullptr;
};
