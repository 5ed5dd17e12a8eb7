#pragma once
// What GetSpecForKuid learnt about requested KUIDs: the KUID whose spec
// answered a request, or the null KUID when the request failed for good.
// Process-wide, kept for the whole run, without a lock: its users run on
// the main thread.
#include <cstddef>

#include "foundation/kuid/KUID.h"

class SpecKuidRedirectMap {
public:
    // True with the recorded target when the KUID was recorded.
    static bool Find(const KUID& requested, KUID& target);
    // Records (or replaces) the target of a requested KUID.
    static void Record(const KUID& requested, const KUID& target);
    static void Clear();
    static std::size_t Count();
};
