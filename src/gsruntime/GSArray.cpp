#include "gsruntime/GSArray.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/Alloc.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSScriptMemoryAccount.h"
#include "gsruntime/GSScriptMemoryBudget.h"
#include "gsruntime/GSTrackedObjectRegistry.h"
#include "gsruntime/GSExecutionBudget.h"

namespace GSRuntime {

namespace {

// A zeroed element store of n elements (n > 0), charged to the script
// memory budget and `account`; null when the budget refuses it or memory
// runs out.
uint32_t* NewStore(GSScriptMemoryAccount* account, int64_t n) {
    const std::size_t bytes = static_cast<std::size_t>(n) * 4;
    if (!GSScriptMemoryBudget::Take(account, bytes)) return nullptr;
    uint32_t* store = static_cast<uint32_t*>(Vek::Alloc::New(bytes));
    if (!store) {
        GSScriptMemoryBudget::Give(account, bytes);
        return nullptr;
    }
    std::memset(store, 0, bytes);
    return store;
}

// Frees a store of n elements made by NewStore (null for none).
void FreeStore(GSScriptMemoryAccount* account, uint32_t* store, int64_t n) {
    if (!store) return;
    Vek::Alloc::Delete(store);
    GSScriptMemoryBudget::Give(account, static_cast<uint64_t>(n) * 4);
}

}  // namespace

GSArray::GSArray(GSContext* context, bool elementsAreReferences)
    : GSObjectReference(kGSRefArray), m_references(elementsAreReferences ? 1 : 0) {
    m_instance.header.count = 1;
    m_instance.header.owner = this;
    GSTrackedObjectRegistry::Register(context ? &context->Registry() : nullptr, &m_instance.header);
}

GSArray::~GSArray() {
    ReleaseRange(m_count, 0);
    FreeStore(m_account, m_elements, m_capacity);
    m_count = 0;
    m_capacity = 0;
    m_elements = nullptr;
    GSTrackedObjectRegistry::Unregister(&m_instance.header);
    if (m_account) m_account->ReleaseReference();
}

GSScriptMemoryAccount* GSArray::StoreAccount() {
    if (!m_account) {
        m_account = GSScriptMemoryAccount::Of(GSTrackedObjectRegistry::GetContext(&m_instance.header));
        if (m_account) m_account->AddReference();
    }
    return m_account;
}

bool GSArray::Resize(int64_t n) {
    if (n <= 0) {
        ReleaseRange(m_count, 0);
        FreeStore(m_account, m_elements, m_capacity);
        m_elements = nullptr;
        m_count = 0;
        m_capacity = 0;
        return true;
    }
    if (n <= m_count) return true;
    if (n > kMaxCount) return false;
    if (n > m_capacity) {
        // Twice the count when that is more than asked for; the size asked
        // for alone when the budget has no room for the larger store.
        const int64_t roomy = std::min<int64_t>(std::max<int64_t>(n, 2 * int64_t(m_count)), kMaxCount);
        int64_t capacity = roomy;
        uint32_t* store = NewStore(StoreAccount(), capacity);
        if (!store && roomy > n) store = NewStore(StoreAccount(), capacity = n);
        if (!store) return false;
        GSChargeWork(uint64_t(capacity) * 4 + uint64_t(m_count) * 4);
        if (m_count) std::memcpy(store, m_elements, std::size_t(m_count) * 4);
        FreeStore(m_account, m_elements, m_capacity);
        m_elements = store;
        m_capacity = static_cast<int32_t>(capacity);
    } else {
        // The slots beyond the count are zero already.
        GSChargeWork(uint64_t(n - m_count) * 4);
    }
    m_count = static_cast<int32_t>(n);
    return true;
}

void GSArray::AddRefRange(int32_t n, int32_t start) {
    if (!m_references || static_cast<uint32_t>(start) >= static_cast<uint32_t>(m_count) || n <= 0) return;
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(int64_t(start) + n, m_count));
    for (int32_t i = start; i < end; ++i) {
        if (m_elements[i]) GSScriptInstance::AddRef(m_elements[i]);
    }
}

void GSArray::ReleaseRange(int32_t n, int32_t start) {
    if (!m_references || static_cast<uint32_t>(start) >= static_cast<uint32_t>(m_count) || n <= 0) return;
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(int64_t(start) + n, m_count));
    for (int32_t i = start; i < end; ++i) {
        const GSDataRef element = m_elements[i];
        m_elements[i] = 0;
        GSScriptInstance::ReleaseReference(element);
    }
}

void GSArray::ReleaseElementsInto(const GSTrackedObjectRegistry& registry) {
    if (!m_references) return;
    for (int32_t i = 0; i < m_count; ++i) {
        const GSDataRef element = m_elements[i];
        if (!element || !registry.Tracks(GSScriptInstance::FromReference(element))) continue;
        m_elements[i] = 0;
        GSScriptInstance::ReleaseReference(element);
    }
}

void GSArray::TakeCopiedReferences(uint32_t* to, int64_t n, const GSArray* source) {
    // The source's elements passed the check of the source's context; when
    // that is this array's context, or this array has none, they pass here.
    const GSContext* own = GSTrackedObjectRegistry::GetContext(&m_instance.header);
    const bool check = own && own != GSTrackedObjectRegistry::GetContext(&source->m_instance.header);
    for (int64_t i = 0; i < n; ++i) {
        if (!to[i]) continue;
        GSScriptInstance* header = GSScriptInstance::FromReference(to[i]);
        if (check && !GSScriptInstance::Accepts(&m_instance.header, header)) {
            to[i] = 0;
            continue;
        }
        header->count += 1;
    }
}

bool GSArray::CopyRange(GSArray* destination, int32_t end, const GSArray* source, int32_t start) {
    if (!destination || !source) return false;
    if (start < 0) start = 0;
    if (end < 0 || end > source->m_count) end = source->m_count;
    if (end < start || destination->m_references != source->m_references) return false;
    // The copy is taken, with its counts, before the destination lets go of
    // its elements, so that a destination that is the source copies intact.
    const int32_t n = end - start;
    uint32_t* store = n > 0 ? NewStore(destination->StoreAccount(), n) : nullptr;
    if (n > 0 && !store) return false;
    if (n > 0) std::memcpy(store, source->m_elements + start, std::size_t(n) * 4);
    if (source->m_references) destination->TakeCopiedReferences(store, n, source);
    GSChargeWork(uint64_t(n) * 8);
    destination->Resize(0);
    destination->m_elements = store;
    destination->m_count = n;
    destination->m_capacity = n;
    return true;
}

bool GSArray::Splice(int32_t start, int32_t end, const GSArray* source) {
    if (start < 0) start = 0;
    if (end < 0) end = m_count;
    if (end < start || (source && source->m_references != m_references)) return false;
    const int64_t count = m_count;
    const int64_t kept = std::min<int64_t>(start, count);
    const int64_t gap = std::max<int64_t>(int64_t(start) - count, 0);
    const int64_t tail = end < count ? count - end : 0;
    const int64_t inserted = source ? source->m_count : 0;
    const int64_t newCount = kept + gap + tail + inserted;
    if (newCount > kMaxCount) return false;
    uint32_t* store = newCount > 0 ? NewStore(StoreAccount(), newCount) : nullptr;
    if (newCount > 0 && !store) return false;

    // The source's elements are placed, with their counts, before the range
    // is released: the source may be this array.
    uint32_t* at = store;
    if (kept) std::memcpy(at, m_elements, std::size_t(kept) * 4);
    at += kept + gap;
    if (inserted) {
        std::memcpy(at, source->m_elements, std::size_t(inserted) * 4);
        if (m_references) TakeCopiedReferences(at, inserted, source);
    }
    at += inserted;
    if (tail) std::memcpy(at, m_elements + end, std::size_t(tail) * 4);

    GSChargeWork(uint64_t(newCount) * 8);
    ReleaseRange(end - start, start);
    FreeStore(m_account, m_elements, m_capacity);
    m_elements = store;
    m_count = static_cast<int32_t>(newCount);
    m_capacity = static_cast<int32_t>(newCount);
    return true;
}

bool GSArray::GetElementReference(int32_t index, GSDataRef& out, bool addCount) const {
    if (index < 0) return false;
    // The elements of a value array are no references to count.
    if (addCount && !ElementsAreReferences()) {
        out = 0;
        return false;
    }
    if (index >= m_count) {
        out = 0;
        return false;
    }
    out = m_elements[index];
    if (out && addCount) GSScriptInstance::AddRef(out);
    return true;
}

bool GSArray::SetElementReference(int32_t index, GSDataRef value, bool borrowed, const GSClass* cls) {
    GSDataRef handed = borrowed ? 0 : value;  // the count the caller handed over, if any
    // A value array keeps no counts: a reference stored there would never
    // be released, and read back as a counted reference it would be taken
    // for whatever integer is stored over it later.
    if (value && !ElementsAreReferences()) {
        GSScriptInstance::ReleaseReference(handed);
        return false;
    }
    if (value) {
        GSScriptInstance* header = GSScriptInstance::FromReference(value);
        if (!GSScriptInstance::Accepts(&m_instance.header, header)) {
            value = 0;
        } else if (cls) {
            value = GSClass::CastInstance(cls, header);
        }
        if (!value) {
            GSScriptInstance::ReleaseReference(handed);
            handed = 0;
        }
    }
    if (index < 0 || (index >= m_count && !Resize(int64_t(index) + 1))) {
        GSScriptInstance::ReleaseReference(handed);
        return false;
    }
    // The new value's count is in place before the old element is let go,
    // so storing an element over itself keeps it alive.
    if (value && borrowed) GSScriptInstance::AddRef(value);
    const GSDataRef old = m_elements[index];
    m_elements[index] = value;
    GSScriptInstance::ReleaseReference(old);
    return true;
}

}  // namespace GSRuntime
