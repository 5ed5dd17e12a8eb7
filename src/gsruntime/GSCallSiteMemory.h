#pragma once
// GSCallSiteMemory: the interpreter's memory of call sites. A call site
// whose last callee passed every check that depends only on the site and
// the callee (accepted by the caller's contract whatever the stack holds,
// verified, with code, numbered, taking the site's argument count) is
// remembered by the address of the call in the code run, with the class
// and the view's first virtual-table entry that the callee was dispatched
// through: a class's virtual table and the functions it links to do not
// change while it is loaded. The whole memory is dropped whenever any
// function record is removed (GSFunctionTable::Remove), as addresses of
// code, classes and records may then be reused; a call therefore trusts
// an entry that matches without asking whether anything was removed.
#include <cstdint>

namespace GSRuntime {

class GSClass;
class GSFunction;

struct GSCallSite {
    const uint8_t* call = nullptr;
    const GSClass* cls = nullptr;
    uint32_t firstEntry = 0;
    uint32_t dataOffset = 0;  // of the callee's view
    const GSFunction* callee = nullptr;
    // Slots above the stack pointer that the callee's frame and deepest
    // operand stack need.
    int64_t room = 0;
};
constexpr uint32_t kGSCallSites = 512;
inline GSCallSite g_gsCallSites[kGSCallSites];

inline GSCallSite& GSCallSiteOf(const uint8_t* call) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(call);
    return g_gsCallSites[(at ^ (at >> 9)) % kGSCallSites];
}

// Forgets every call site.
inline void GSForgetCallSites() {
    for (GSCallSite& site : g_gsCallSites) site = GSCallSite{};
}

}  // namespace GSRuntime
