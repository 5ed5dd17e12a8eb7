#include "gsruntime/GSContextRegistry.h"

namespace GSRuntime {

std::set<GSContext*>& GSContextRegistry::Set() {
    // Never destroyed, so that a context that outlives static destruction
    // can still leave it.
    static std::set<GSContext*>* contexts = new std::set<GSContext*>();
    return *contexts;
}

void GSContextRegistry::Add(GSContext* context) {
    if (context) Set().insert(context);
}

void GSContextRegistry::Remove(GSContext* context) { Set().erase(context); }

bool GSContextRegistry::Contains(const GSContext* context) { return Set().count(const_cast<GSContext*>(context)) != 0; }

const std::set<GSContext*>& GSContextRegistry::Contexts() { return Set(); }

}  // namespace GSRuntime
