#include "foundation/soups/SoupHandle.h"

#include <cstring>

#include "foundation/soups/ACSConverter.h"
#include "foundation/soups/CopyChunk.h"
#include "foundation/soups/TDBContainerTag.h"

SoupHandle SoupHandle::FromChunk(ChunkRef chunk) {
    if (IsAbsentChunk(chunk)) return SoupHandle();
    return SoupHandle(std::move(chunk));
}

void SoupHandle::EnsureContainer() {
    if (!m_root) m_root = MakeCounted<TDBContainerTag>();
}

ChunkRef SoupHandle::EnsureContainerRef() {
    EnsureContainer();
    return m_root;
}

int32_t SoupHandle::Count() const { return m_root ? m_root->Count() : 0; }

Vek::PString SoupHandle::GetTagName(int32_t index) const {
    const ChunkChild* child = m_root ? m_root->ChildAt(index) : nullptr;
    return child ? child->name : Vek::PString();
}

ChunkRef SoupHandle::FindTag(const Vek::PString& name) const {
    if (!m_root) return nullptr;
    ChunkRef tag = m_root->GetChild(name);
    return IsAbsentChunk(tag) ? nullptr : tag;
}

int32_t SoupHandle::GetTagKind(const Vek::PString& name) const {
    ChunkRef tag = FindTag(name);
    return tag ? tag->GetKind() : ACSKind::kEmpty;
}

bool SoupHandle::HasTag(const Vek::PString& name) const { return FindTag(name) != nullptr; }

SoupHandle SoupHandle::GetContainer(const Vek::PString& name) const {
    ChunkRef tag = FindTag(name);
    if (!tag || tag->GetKind() != ACSKind::kContainer) return SoupHandle();
    return SoupHandle(std::move(tag));
}

SoupHandle SoupHandle::GetContainerAt(int32_t index) const {
    const ChunkChild* child = m_root ? m_root->ChildAt(index) : nullptr;
    if (!child || !child->chunk || child->chunk->GetKind() != ACSKind::kContainer) return SoupHandle();
    return SoupHandle(child->chunk);
}

RawDataRef SoupHandle::GetData(const Vek::PString& name) const {
    ChunkRef tag = FindTag(name);
    return tag ? MakeChunkDataView(tag) : nullptr;
}

Vek::PString SoupHandle::GetFreeIndexTag() const {
    // An editable container remembers below which index every name is
    // taken; other roots are searched from "0".
    const auto* container = dynamic_cast<const TDBContainerTag*>(m_root.Get());
    int32_t index = container ? container->FreeIndexFloor() : 0;
    Vek::PString name;
    for (;; ++index) {
        name.Setf("%d", index);
        if (!HasTag(name)) break;
    }
    if (container) container->SetFreeIndexFloor(index);
    return name;
}

RawDataRef SoupHandle::Converted(const Vek::PString& name, int32_t kind) const {
    ChunkRef tag = FindTag(name);
    if (!tag) return nullptr;
    return ConvertChunkKind(tag->GetKind(), MakeChunkDataView(tag), kind);
}

int32_t SoupHandle::GetInt(const Vek::PString& name, int32_t defaultValue) const {
    RawDataRef bytes = Converted(name, ACSKind::kIntegers);
    if (!bytes || bytes->Size() != 4) return defaultValue;
    int32_t value;
    std::memcpy(&value, bytes->Data(), 4);
    return value;
}

bool SoupHandle::GetBool(const Vek::PString& name, bool defaultValue) const {
    return GetInt(name, defaultValue ? 1 : 0) != 0;
}

float SoupHandle::GetFloat(const Vek::PString& name, float defaultValue) const {
    RawDataRef bytes = Converted(name, ACSKind::kFloats);
    if (!bytes || bytes->Size() != 4) return defaultValue;
    float value;
    std::memcpy(&value, bytes->Data(), 4);
    return value;
}

KUID SoupHandle::GetKUID(const Vek::PString& name, const KUID& defaultValue) const {
    RawDataRef bytes = Converted(name, ACSKind::kKUID);
    if (!bytes || bytes->Size() != KUID::kPackedRecordSize) return defaultValue;
    KUID kuid;
    kuid.FromPackedRecord(bytes->Data());
    return kuid;
}

Vek::PString SoupHandle::GetString(const Vek::PString& name) const {
    RawDataRef bytes = Converted(name, ACSKind::kText);
    std::string_view text = TextOfBlock(bytes);
    if (text.empty()) return Vek::PString();
    return Vek::PString(text.data(), text.size());
}

bool SoupHandle::GetFloatArray(const Vek::PString& name, FloatArray& out) const {
    out.Clear();
    RawDataRef bytes = Converted(name, ACSKind::kFloats);
    int32_t count = bytes ? bytes->Size() / 4 : 0;
    if (count <= 0) return false;
    out.SetCount(count);
    std::memcpy(out.Data(), bytes->Data(), static_cast<std::size_t>(count) * 4);
    return true;
}

void SoupHandle::SetValue(const Vek::PString& name, int32_t kind, RawDataRef block) {
    EnsureContainer();
    if (!m_root) return;  // out of memory
    RemoveTag(name);
    ChunkRef tag = m_root->CreateChunk(kind, std::move(block));
    if (tag && !IsNullChunk(tag)) m_root->AppendChild(name, std::move(tag));
}

void SoupHandle::SetInt(const Vek::PString& name, int32_t value) {
    SetValue(name, ACSKind::kIntegers, MakeRawDataCopy(4, &value));
}

void SoupHandle::SetBool(const Vek::PString& name, bool value) { SetInt(name, value ? 1 : 0); }

void SoupHandle::SetFloat(const Vek::PString& name, float value) {
    SetValue(name, ACSKind::kFloats, MakeRawDataCopy(4, &value));
}

void SoupHandle::SetFloatArray(const Vek::PString& name, const FloatArray& values) {
    if (values.IsEmpty()) {
        EnsureContainer();
        RemoveTag(name);
        return;
    }
    SetValue(name, ACSKind::kFloats, MakeRawDataCopy(values.Count() * 4, values.Data()));
}

void SoupHandle::SetKUID(const Vek::PString& name, const KUID& kuid) {
    uint8_t record[KUID::kPackedRecordSize];
    kuid.ToPackedRecord(record);
    SetValue(name, ACSKind::kKUID, MakeRawDataCopy(KUID::kPackedRecordSize, record));
}

void SoupHandle::SetString(const Vek::PString& name, const char* text) {
    std::size_t length = text ? std::strlen(text) : 0;
    SetValue(name, ACSKind::kText, length ? MakeRawDataCopy(static_cast<int32_t>(length + 1), text) : nullptr);
}

void SoupHandle::SetEmpty(const Vek::PString& name) { SetValue(name, ACSKind::kEmpty, nullptr); }

void SoupHandle::SetContainer(const Vek::PString& name, SoupHandle& child) {
    child.EnsureContainer();
    EnsureContainer();
    if (!m_root || !child.m_root) return;  // out of memory
    RemoveTag(name);
    m_root->AppendChild(name, child.m_root);
}

void SoupHandle::RemoveTag(const Vek::PString& name) {
    if (!m_root) return;
    ChunkRef tag = m_root->GetChild(name);
    if (!tag || IsNullChunk(tag)) return;
    m_root->RemoveChild(std::move(tag));
}

void SoupHandle::RemoveChunk(const ChunkRef& child) {
    if (!m_root || !child) return;
    m_root->RemoveChild(child);
}

void SoupHandle::CopyFrom(const SoupHandle& source) {
    ChunkRef copy = MakeCounted<TDBContainerTag>();
    if (copy) CopyChunk(copy, source.m_root);
    m_root = std::move(copy);
}
