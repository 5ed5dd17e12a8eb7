#include "assetdb/specs/SpecKuidRedirectMap.h"

#include <map>

namespace {

std::map<KUID, KUID, KUIDLess>& Map() {
    static std::map<KUID, KUID, KUIDLess> map;
    return map;
}

}  // namespace

bool SpecKuidRedirectMap::Find(const KUID& requested, KUID& target) {
    auto it = Map().find(requested);
    if (it == Map().end()) return false;
    target = it->second;
    return true;
}

void SpecKuidRedirectMap::Record(const KUID& requested, const KUID& target) { Map()[requested] = target; }

void SpecKuidRedirectMap::Clear() { Map().clear(); }

std::size_t SpecKuidRedirectMap::Count() { return Map().size(); }
