// The instances of a class: casts, virtual dispatch, creation with the
// class-initialisation code of the class and its bases, member release and
// destruction.

#include <utility>
#include <vector>

#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSThreadResult.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/GSTrackedObjectRegistry.h"

namespace GSRuntime {

GSDataRef GSClass::CastInstance(const GSClass* target, const GSScriptInstance* header) {
    if (!target || !header || !header->cls) return 0;
    if (!header->owner && target->IsA("GameObject")) return 0;
    GSScriptInstance* instance = const_cast<GSScriptInstance*>(header);
    if (target == header->cls) return instance->DataReference();
    const int32_t row = header->cls->BaseIndex(target);
    if (row < 0) return 0;
    return GSOffsetReference(instance->DataReference(), header->cls->GetBaseRow(static_cast<uint32_t>(row)).dataOffset);
}

bool GSClass::RunInitFunction(GSFunction* function, GSDataRef view) {
    if (!function || function->codeLength == 0) return true;
    GSThread* thread = GSMachine::Instance()->GetStaticThread();
    if (!thread || !GSCanRunThreads()) return false;
    const GSThreadServices& services = GSGetThreadServices();
    GSStack* stack = services.stack(thread);
    GSSavedThreadState saved;
    services.saveState(thread, saved);
    // The frame owns the count pushed for `me` and releases it when it ends.
    GSScriptInstance::AddRef(view);
    if (!stack->Push(view)) {
        GSScriptInstance::ReleaseReference(view);
        services.restoreState(thread, saved);
        return false;
    }
    if (!stack->PushFrame(function, 0)) {
        stack->SetStackPointer(stack->StackPointer() - 1);
        GSScriptInstance::ReleaseReference(view);
        services.restoreState(thread, saved);
        return false;
    }
    const int32_t result = services.execute(thread, 0.0f);
    // Whatever the run left of its frames is released before the outer
    // state comes back.
    if (stack->CurrentFrame() != GSStack::kNone) stack->Clear();
    services.restoreState(thread, saved);
    return result == ER_Done;
}

bool GSClass::CreateInstance(GSObject* owner, GSContext* context) {
    if (!owner) return false;
    if (const GSDataRef existing = owner->GetReference()) {
        if (GSScriptInstance::FromReference(existing)->cls) return false;
    }
    GSScriptInstance* header = GSScriptInstance::NewBlock(DataSlotCount());
    if (!header) {
        owner->AttachInstance(0, nullptr);
        return false;
    }
    GSTrackedObjectRegistry::Register(context ? &context->Registry() : nullptr, header);
    header->count = 1;
    header->owner = owner;
    header->cls = this;
    uint32_t* data = header->DataStart();
    data[0] = 0;
    const GSDataRef own = header->DataReference();
    owner->AttachInstance(own, context);
    for (uint32_t i = 0; i < m_initRowCount; ++i) {
        const InitRow row = GetInitRow(i);
        data[row.slot] = static_cast<uint32_t>(row.value);
    }

    bool ok = true;
    for (uint32_t r = m_baseCount; ok && r-- > 0;) {
        const GSClass* base = BaseClass(r);
        ok = RunInitFunction(base ? base->InitFunction() : nullptr, GSOffsetReference(own, GetBaseRow(r).dataOffset));
    }
    if (ok) ok = RunInitFunction(InitFunction(), own);
    if (ok) return true;

    // A creation that failed gives up what its finished initialisation code
    // stored. The instance is pinned meanwhile, so that releasing a member
    // that leads back to it cannot destroy it under us.
    owner->AttachInstance(0, nullptr);
    header->owner = nullptr;
    header->count += 1;
    ReleaseMembers(header);
    header->count -= 2;
    // Whoever still holds a reference (code that stored `me` elsewhere)
    // keeps an instance without owner, which goes with the last reference.
    if (header->count <= 0) GSScriptInstance::FreeBlock(header);
    return false;
}

namespace {

// Releases, and zeroes, the reference members of every base view (last base
// first) and then of the own view that `chosen` picks.
template <class Chosen>
void ReleaseMembersWhere(const GSClass* cls, GSScriptInstance* header, Chosen chosen) {
    uint32_t* data = header->DataStart();
    auto release = [&chosen](uint32_t* view, const GSClass* viewClass) {
        for (uint32_t i = 0; i < viewClass->ReferenceMemberCount(); ++i) {
            uint32_t& slot = view[viewClass->ReferenceMember(i)];
            const GSDataRef value = slot;
            if (!value || !chosen(value)) continue;
            slot = 0;
            GSScriptInstance::ReleaseReference(value);
        }
    };
    for (uint32_t r = cls->BaseCount(); r-- > 0;) {
        if (const GSClass* base = cls->BaseClass(r)) release(data + cls->GetBaseRow(r).dataOffset, base);
    }
    release(data, cls);
}

}  // namespace

bool GSClass::ReleaseMembers(GSScriptInstance* header) {
    if (!header || header->cls != this) return false;
    ReleaseMembersWhere(this, header, [](GSDataRef) { return true; });
    return true;
}

void GSClass::ReleaseMembersInto(GSScriptInstance* header, const GSTrackedObjectRegistry& registry) {
    if (!header || header->cls != this) return;
    ReleaseMembersWhere(this, header,
                        [&registry](GSDataRef value) { return registry.Tracks(GSScriptInstance::FromReference(value)); });
}

const uint8_t* GSClass::DataSlotKinds() const {
    if (!m_dataSlotKinds.empty()) return m_dataSlotKinds.data();
    std::vector<uint8_t> kinds(DataSlotCount(), kDataValue);
    std::vector<std::pair<uint64_t, const GSClass*>> views{{0, this}};
    for (uint32_t r = 0; r < m_baseCount; ++r) {
        const GSClass* base = BaseClass(r);
        if (!base) return nullptr;
        views.emplace_back(GetBaseRow(r).dataOffset, base);
    }
    // The fixed slots of the views first: two views overlap only where they
    // start together, and no reference member lies on one (a store there would break the view).
    for (const auto& [offset, cls] : views) {
        if (offset + 2 > kinds.size()) return nullptr;
        const bool fresh = kinds[offset] == kDataValue && kinds[offset + 1] == kDataValue;
        const bool same = kinds[offset] == kDataViewStart && kinds[offset + 1] == kDataViewTable;
        if (!fresh && !same) return nullptr;
        kinds[offset] = kDataViewStart;
        kinds[offset + 1] = kDataViewTable;
    }
    for (const auto& [offset, cls] : views) {
        for (uint32_t i = 0; i < cls->ReferenceMemberCount(); ++i) {
            const uint64_t slot = offset + static_cast<uint32_t>(cls->ReferenceMember(i));
            if (slot >= kinds.size() || kinds[slot] == kDataViewStart || kinds[slot] == kDataViewTable) return nullptr;
            kinds[slot] = kDataReference;
        }
    }
    m_dataSlotKinds = std::move(kinds);
    return m_dataSlotKinds.data();
}

bool GSClass::DestroyInstance(GSScriptInstance* header) {
    if (!ReleaseMembers(header)) return false;
    GSScriptInstance::FreeBlock(header);
    return true;
}

}  // namespace GSRuntime
