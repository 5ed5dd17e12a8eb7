#include "engine/resources/PluginEntry.h"

#include <atomic>
#include <mutex>

#include "engine/PluginBase.h"
#include "engine/PluginType.h"
#include "engine/resources/ResourceTypeBase.h"
#include "engine/resources/ResourceTypeRegistry.h"

namespace Vek {

namespace {

std::atomic<PluginEntry::Function> g_entry{nullptr};
std::mutex g_lock;
std::vector<PluginType*>& Handed() {
    static std::vector<PluginType*> handed;  // each with the creator's reference
    return handed;
}

}  // namespace

void PluginEntry::Set(Function entry) { g_entry.store(entry); }

PluginEntry::Function PluginEntry::Get() { return g_entry.load(); }

bool PluginEntry::Call() {
    Function entry = g_entry.load();
    if (!entry) return false;
    entry();
    return true;
}

bool PluginEntry::Hand(PluginType* plugin) {
    if (!plugin) return false;
    if (!PluginBase::RegisterPluginType(plugin)) {
        plugin->ReleaseReference();
        return false;
    }
    if (auto* type = dynamic_cast<ResourceTypeBase*>(plugin)) {
        if (!ResourceTypeRegistry::Register(type)) {
            PluginBase::UnregisterPluginType(plugin);
            plugin->ReleaseReference();
            return false;
        }
    }
    std::lock_guard<std::mutex> hold(g_lock);
    Handed().push_back(plugin);
    return true;
}

std::vector<AutoReference<PluginType>> PluginEntry::Snapshot() {
    std::lock_guard<std::mutex> hold(g_lock);
    std::vector<AutoReference<PluginType>> out;
    for (PluginType* plugin : Handed()) {
        AutoReference<PluginType> ref;
        ref.Share(plugin);
        out.push_back(std::move(ref));
    }
    return out;
}

void PluginEntry::ReleaseAll() {
    std::vector<PluginType*> handed;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        handed.swap(Handed());
    }
    for (auto it = handed.rbegin(); it != handed.rend(); ++it) {
        if (auto* type = dynamic_cast<ResourceTypeBase*>(*it)) ResourceTypeRegistry::Unregister(type);
        PluginBase::UnregisterPluginType(*it);
        (*it)->ReleaseReference();
    }
}

}  // namespace Vek
