#include "gsruntime/GSTrackedObjectRegistry.h"

#include "engine/Alloc.h"

GSTrackedObjectRegistry::~GSTrackedObjectRegistry() {
    for (GSTrackedBlock* block : m_blocks) {
        ForEachInBlock(block, [](GSTrackedObject* object) { object->m_slot = nullptr; });
        Vek::Alloc::Delete(block);
    }
}

GSTrackedBlock* GSTrackedObjectRegistry::NewBlock() {
    GSTrackedBlock* block = static_cast<GSTrackedBlock*>(Vek::Alloc::New(sizeof(GSTrackedBlock)));
    if (!block) return nullptr;
    block->registry = this;
    for (int32_t i = 0; i < GSTrackedBlock::kSlots; ++i) {
        block->slots[i].nextFree = i + 1 < GSTrackedBlock::kSlots ? &block->slots[i + 1] : nullptr;
        block->slots[i].block = nullptr;
    }
    block->freeHead = &block->slots[0];
    m_blocks.push_back(block);
    return block;
}

template <class Each>
void GSTrackedObjectRegistry::ForEachInBlock(GSTrackedBlock* block, Each each) {
    for (int32_t i = 0; i < GSTrackedBlock::kSlots; ++i) {
        GSTrackedSlot& slot = block->slots[i];
        if (slot.block) each(slot.object);
    }
}

GSTrackedObjectRegistry& GSTrackedObjectRegistry::NoContext() {
    // Never destroyed: objects of no context may be released at any time
    // until the process ends.
    static GSTrackedObjectRegistry* registry = new GSTrackedObjectRegistry(nullptr);
    return *registry;
}

void GSTrackedObjectRegistry::Register(GSTrackedObjectRegistry* registry, GSTrackedObject* object) {
    if (!object) return;
    object->m_slot = nullptr;
    if (!registry || registry->m_teardown) registry = &NoContext();
    GSTrackedBlock* block = registry->m_current;
    if (!block) {
        for (GSTrackedBlock* candidate : registry->m_blocks) {
            if (candidate->freeHead) {
                block = candidate;
                break;
            }
        }
        if (!block && !(block = registry->NewBlock())) return;
        registry->m_current = block;
    }
    GSTrackedSlot* slot = block->freeHead;
    block->freeHead = slot->nextFree;
    if (!block->freeHead) registry->m_current = nullptr;
    slot->object = object;
    slot->block = block;
    object->m_slot = slot;
    registry->m_live += 1;
}

void GSTrackedObjectRegistry::Unregister(GSTrackedObject* object) {
    if (!object || !object->m_slot) return;
    GSTrackedSlot* slot = object->m_slot;
    GSTrackedBlock* block = slot->block;
    slot->nextFree = block->freeHead;
    slot->block = nullptr;
    block->freeHead = slot;
    block->registry->m_live -= 1;
    object->m_slot = nullptr;
}

int32_t GSTrackedObjectRegistry::BlockIndexOf(const GSTrackedObject* object) const {
    if (!object || !object->m_slot || object->m_slot->block->registry != this) return -1;
    for (std::size_t i = 0; i < m_blocks.size(); ++i) {
        if (m_blocks[i] == object->m_slot->block) return static_cast<int32_t>(i);
    }
    return -1;
}

void GSTrackedObjectRegistry::CutReferencesInto(const GSTrackedObjectRegistry& dying) {
    // The objects released are pinned, so nothing is destroyed and no slot
    // changes while the blocks are walked.
    for (GSTrackedBlock* block : m_blocks)
        ForEachInBlock(block, [&dying](GSTrackedObject* object) { object->CutReferencesInto(dying); });
}

void GSTrackedObjectRegistry::DestroyAll(const std::vector<GSTrackedObjectRegistry*>& outside) {
    m_teardown = true;
    m_current = nullptr;
    // No block is added while the flag is set, so the vector stays as it is.
    for (GSTrackedBlock* block : m_blocks) ForEachInBlock(block, [](GSTrackedObject* object) { object->Hold(); });
    for (GSTrackedBlock* block : m_blocks)
        ForEachInBlock(block, [](GSTrackedObject* object) { object->ReleaseContents(); });
    // With nothing tracked here, nothing outside can hold a reference here.
    for (GSTrackedObjectRegistry* registry : outside) {
        if (m_live > 0 && registry && registry != this) registry->CutReferencesInto(*this);
    }
    for (GSTrackedBlock* block : m_blocks) {
        for (int32_t i = 0; i < GSTrackedBlock::kSlots; ++i) {
            GSTrackedSlot& slot = block->slots[i];
            if (!slot.block) continue;
            GSTrackedObject* object = slot.object;
            slot.block = nullptr;
            object->m_slot = nullptr;
            m_live -= 1;
            object->Discard();
        }
        Vek::Alloc::Delete(block);
    }
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_teardown = false;
}
