#pragma once
// Values a world list publishes process-wide for its items' code while an
// item's data are loaded or saved: the KUID of the record being loaded, the
// list's factory context and the list value. Outside those calls they are
// the null KUID, null and -1.
#include <cstdint>

#include "foundation/kuid/KUID.h"

struct WorldListValues {
    static const KUID& LoadingKUID();
    static void* FactoryContext();
    static int32_t ListValue();

    // Publishes the values for the scope of one item's load or save.
    class Scope {
    public:
        Scope(const KUID& kuid, void* factoryContext, int32_t listValue);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };
};
