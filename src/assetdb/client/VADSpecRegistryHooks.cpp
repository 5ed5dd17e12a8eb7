#include "assetdb/client/VADSpecRegistryHooks.h"

#include <mutex>

namespace {

std::mutex g_lock;
VADSpecRegistryHooks g_hooks;

VADSpecRegistryHooks Current() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_hooks;
}

}  // namespace

void SetVADSpecRegistryHooks(const VADSpecRegistryHooks& hooks) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_hooks = hooks;
}

void VADCreateSpecRegistry() {
    if (auto create = Current().create) create();
}

void VADDestroySpecRegistry() {
    if (auto destroy = Current().destroy) destroy();
}

void VADDiscardCachedSpec(const KUID& asset) {
    if (auto discard = Current().discardSpec) discard(asset);
}
