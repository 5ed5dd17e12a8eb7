// Fuzz target: a sequence of script libraries in one machine, with objects
// that outlive the context their code ran in. The input is a flags byte and
// then up to four parts, each a 32-bit little-endian length and that many
// bytes; each part is loaded as a library of its own (see gslibrary.cpp).
//
// For each library that loads: a context with a router (shared when the
// part's bit of the flags byte is set), an object of every class in it, and
// an object of no context of every plain class, kept to the end. Every
// script function that is no thread function is called; an argument that
// the signature gives a class, in a reference slot, gets an object of that
// class from the objects made so far (of no context, or of a context still
// alive), others get 0. Then the previous library's context ends, while the
// objects of no context and of this context may hold its references.
//
// At the end the last context ends, and an ordinary compiled library, in a
// context of its own, takes every object of no context, reads it and drops
// it, releasing what it holds.
#include "GSLibraryFuzzHarness.h"

namespace {

using namespace GSFuzz;

// Takes each object it is given, reads every member it can see, and drops
// it: a release of the last count releases the object's members.
const char* const kOrdinary = R"(include "gs.gs"
class Taker isclass GameObject
{
	public string Take(GSObject held)
	{
		string name = "none";
		if (held != null) name = held.GetGSClassName();
		held = null;
		return name;
	}
};
)";

struct Run {
    GSContext* context = nullptr;
    std::vector<GSObject*> plain;
};

// A reference the harness holds a count on, and the context it belongs to.
struct Held {
    GSDataRef reference;
    GSContext* context;
};

// The class names of a signature's parameters ("$void@C::M(int,Box)").
std::vector<std::string> ParameterTypes(const char* signature) {
    std::vector<std::string> types;
    const char* open = signature ? std::strrchr(signature, '(') : nullptr;
    if (!open) return types;
    for (const char* p = open + 1; *p && *p != ')';) {
        const char* end = p;
        while (*end && *end != ',' && *end != ')') ++end;
        types.emplace_back(p, static_cast<std::size_t>(end - p));
        p = *end == ',' ? end + 1 : end;
    }
    return types;
}

bool IsReferenceSlot(const GSFunction& function, uint32_t slot) {
    for (uint32_t i = 0; i < function.referenceSlotCount; ++i)
        if (function.ReferenceSlot(i) == static_cast<int32_t>(slot)) return true;
    return false;
}

// The view of a held object for the class `name` (the object's class or a
// base), counted; 0 when it is of no such class.
GSDataRef ViewFor(const Held& held, const std::string& name) {
    GSScriptInstance* header = GSScriptInstance::FromReference(held.reference);
    const GSClass* cls = header ? header->cls : nullptr;
    if (!cls || !cls->IsA(name.c_str())) return 0;
    const GSClass* target = cls;
    for (uint32_t r = 0; r < cls->BaseCount() && std::strcmp(target->Name(), name.c_str()) != 0; ++r) {
        const GSClass* base = cls->BaseClass(r);
        if (base && std::strcmp(base->Name(), name.c_str()) == 0) target = base;
    }
    const GSDataRef view = GSClass::CastInstance(target, header);
    if (view) GSScriptInstance::AddRef(view);
    return view;
}

class Sequence {
public:
    explicit Sequence(uint8_t flags) : m_flags(flags) {}

    void Add(GSLibrary* library, uint32_t index) {
        Run run;
        run.context = new GSContext(true, (m_flags >> index) & 1);
        for (uint32_t c = 0; c < library->ClassCount(); ++c) {
            GSClass* cls = library->GetClass(c);
            if (!cls) continue;
            if (GSObject* object = MakeObject(cls, run.context, run.plain)) Hold(object, run.context);
            if (!cls->IsA("GameObject") && m_loose.size() < 16) {
                std::vector<GSObject*> made;
                if (GSObject* loose = MakeObject(cls, nullptr, made)) {
                    m_loose.push_back(loose);
                    Hold(loose, nullptr);
                }
            }
        }
        for (std::size_t i = m_held.size(); i-- > 0;) {
            GSObject* object = static_cast<GSObject*>(GSScriptInstance::OwnerOf(m_held[i].reference));
            if (m_held[i].context != run.context || !object) continue;
            CallEveryFunction(run.context, object, [this](const GSFunction& function, uint32_t i) {
                return Argument(function, i);
            });
        }
        if (GSRouter* router = run.context->GetRouter())
            for (int i = 0; i < 2; ++i) Tick(router, 100);
        if (m_last.context) End(m_last);
        m_last = run;
    }

    // The last context ends; the harness lets go of its counts; then the
    // ordinary library takes every object of no context with its creation
    // count, so that its store over its parameter releases the object
    // with whatever the object holds.
    void Finish(GSLibrary* ordinary) {
        if (m_last.context) End(m_last);
        for (const Held& held : m_held) GSScriptInstance::ReleaseReference(held.reference);
        m_held.clear();
        Run run;
        run.context = new GSContext(true, false);
        GSObject* taker = ordinary ? MakeObject(ordinary->FindClass("Taker"), run.context, run.plain) : nullptr;
        for (GSObject* loose : m_loose) {
            const uint32_t argument = loose->GetReference();
            if (!taker || !argument) {
                delete loose;
                continue;
            }
            uint32_t name = 0;
            CallScriptFunction(run.context, taker->GetClass(), GSScriptInstance::FromReference(taker->GetReference()),
                               "$string@Taker::Take(GSObject)", &name, &argument, 1);
            GSScriptInstance::ReleaseReference(name);
        }
        m_loose.clear();
        End(run);
    }

private:
    void Hold(GSObject* object, GSContext* context) {
        const GSDataRef reference = object->GetReference();
        if (!reference) return;
        GSScriptInstance::AddRef(reference);
        m_held.push_back({reference, context});
    }

    uint32_t Argument(const GSFunction& function, uint32_t i) {
        if (function.flags & kGSThread) return 0;
        const std::vector<std::string> types = ParameterTypes(function.signature);
        if (i >= types.size() || !IsReferenceSlot(function, i + 1) || m_held.empty()) return 0;
        const std::string& type = types[i];
        if (type.empty() || type == "string" || type.back() == ']') return 0;
        for (std::size_t n = 0; n < m_held.size(); ++n) {
            const Held& held = m_held[(m_turn + n) % m_held.size()];
            if (const GSDataRef view = ViewFor(held, type)) {
                m_turn += n + 1;
                return view;
            }
        }
        return 0;
    }

    // The harness lets go of the run's objects (the plain ones first lose
    // their native holders), then the context ends.
    void End(Run& run) {
        for (GSObject* object : run.plain) delete object;
        std::vector<Held> kept;
        for (const Held& held : m_held) {
            if (held.context == run.context)
                GSScriptInstance::ReleaseReference(held.reference);
            else
                kept.push_back(held);
        }
        m_held.swap(kept);
        if (GSRouter* router = run.context->GetRouter()) Tick(router, 100);
        delete run.context;
        run = Run();
    }

    uint8_t m_flags;
    std::vector<Held> m_held;
    std::vector<GSObject*> m_loose;
    Run m_last;
    std::size_t m_turn = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Setup& setup = Once();
    static GSLibrary* ordinary = CompileLibrary(setup, "ordinary.gs", kOrdinary);
    if (size < 1 || size > (1u << 21)) return 0;
    Sequence sequence(data[0]);
    std::size_t at = 1;
    for (uint32_t part = 0; part < 4 && at + 4 <= size; ++part) {
        uint32_t length = 0;
        std::memcpy(&length, data + at, 4);
        at += 4;
        if (length > size - at) length = static_cast<uint32_t>(size - at);
        if (GSLibrary* library = LoadInput(data + at, length)) sequence.Add(library, part);
        at += length;
    }
    sequence.Finish(ordinary);
    return 0;
}
