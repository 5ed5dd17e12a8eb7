#pragma once
// GSCodeLinkCheck: the check of a library's code that needs the classes it
// links against, run once every class of the library is linked. The code
// verifiers (GSCodeVerifier, GSFlowVerifier) see one function at a time and
// cannot know what a member slot or a method index designates; here they
// are held to the layouts and method tables the code can reach:
//   - member slots of `me` (opcodes 103 to 108) against the owner class's
//     own layout: inside the data, counted access only to reference
//     members, plain loads and stores only of value slots, never a view's
//     fixed slots;
//   - member slots of any other reference (97 to 102) and the method
//     indices of calls (94 to 96) against every class of the library's
//     dependents, one of which is the class the code was written for: the
//     slot must hold what the access needs in at least one of them, and the
//     method index must name a native function (OP_CallNative) or a script
//     function (OP_Call, OP_CallThread) in at least one of them.
// The interpreter still checks each access against the object it reaches;
// this refuses at load the code that no class could make sound.
#include <cstdint>
#include <vector>

namespace GSRuntime {

class GSClass;
class GSFunction;
class GSLibrary;

class GSCodeLinkCheck {
public:
    // Gathers the layouts and method tables of the classes of every
    // dependent of `library` (itself included).
    explicit GSCodeLinkCheck(const GSLibrary& library);

    // True when the code of every function of `cls` passes.
    bool CheckClass(const GSClass& cls) const;

private:
    bool CheckFunction(const GSClass& owner, const uint8_t* ownKinds, const GSFunction& function) const;
    void AddClass(const GSClass& cls);

    // Per data slot: what some class keeps there (bits below).
    std::vector<uint8_t> m_slots;
    // Per method index: what kind of function some class's entry names.
    std::vector<uint8_t> m_methods;
};

}  // namespace GSRuntime
