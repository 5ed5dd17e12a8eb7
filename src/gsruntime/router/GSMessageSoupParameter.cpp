#include "gsruntime/router/GSMessageSoupParameter.h"

#include <cstring>

namespace GSRuntime {

namespace {

GSSoupParameterServices& Services() {
    static GSSoupParameterServices services;
    return services;
}

}  // namespace

void GSSetSoupParameterServices(const GSSoupParameterServices& services) { Services() = services; }

const GSSoupParameterServices& GSGetSoupParameterServices() { return Services(); }

void StripHiddenTags(SoupHandle& soup) {
    for (int32_t i = 0; i < soup.Count();) {
        Vek::PString name;
        ChunkRef chunk;
        const int32_t count = soup.Count();
        if (soup.Get()->GetChildAt(i, name, chunk) && std::strncmp(name.c_str(), "__", 2) == 0) {
            soup.RemoveChunk(chunk);
            // Visit the same index again, unless nothing could be removed.
            if (soup.Count() < count) continue;
        }
        ++i;
    }
}

SoupHandle MessageParameterFrom(const SoupHandle& soup) {
    SoupHandle parameter;
    parameter.CopyFrom(soup);
    StripHiddenTags(parameter);
    return parameter;
}

GSDataRef NewMessageParameterObject(GSContext* context, const SoupHandle& parameter) {
    const GSSoupParameterServices& services = Services();
    if (!parameter.Get() || !services.newLockedSoup) return 0;
    return services.newLockedSoup(context, parameter);
}

}  // namespace GSRuntime
