#include "gsnatives/GSOSoup.h"

#include <unordered_set>
#include <vector>

#include "foundation/soups/SoupPrinting.h"
#include "foundation/soups/TextSoupReader.h"
#include "foundation/soups/TextSoupWriter.h"
#include "foundation/streams/BufferStream.h"
#include "gsnatives/BoundObject.h"
#include "gsnatives/GSOKUID.h"
#include "gsnatives/LockedRefusal.h"
#include "gsnatives/MemberNativeTable.h"
#include "gsnatives/ScriptClasses.h"
#include "gsruntime/GSExecutionBudget.h"
#include "gsruntime/GSScriptSoupBounds.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/natives/GSParamFetch.h"
#include "gsruntime/router/GSMessageSoupParameter.h"

namespace GSNatives {

using namespace GSRuntime;

namespace {

// A tag name argument: an interned, non-empty text, lower-cased.
bool ReadName(GSStack* stack, int index, Vek::PString& name) {
    if (!GetPStringParam(stack, index, false, name)) return false;
    name.ToLower();
    return true;
}

// True when `target` is `from` or lies inside it. Chunks may be shared by
// several containers, so each is visited once.
bool Reaches(const ChunkRef& from, const ACSChunk* target) {
    std::vector<ChunkRef> pending{from};
    std::unordered_set<const ACSChunk*> seen;
    while (!pending.empty()) {
        ChunkRef chunk = std::move(pending.back());
        pending.pop_back();
        if (chunk.Get() == target) return true;
        if (chunk->GetKind() != ACSKind::kContainer || !seen.insert(chunk.Get()).second) continue;
        const int32_t count = chunk->Count();
        for (int32_t i = 0; i < count; ++i) {
            Vek::PString name;
            ChunkRef child;
            if (chunk->GetChildAt(i, name, child) && child && !IsNullChunk(child)) pending.push_back(child);
        }
    }
    return false;
}

// Storing `child` into `parent` makes a cycle when the parent is the child
// or lies inside it.
bool WouldHoldItself(const SoupHandle& parent, const SoupHandle& child) {
    return parent.Get() && child.Get() && Reaches(child.GetRoot(), parent.Get());
}

// The room an edit that adds one tag of `valueBytes` bytes asks for.
uint64_t TagRoom(uint64_t valueBytes) { return kScriptSoupNodeRoom + valueBytes; }

void PushNewSoup(GSStack* stack, GSContext* context, const SoupHandle& soup, bool locked) {
    stack->PushNewObject(GSOSoup::Create(context, soup, locked), nullptr);
}

}  // namespace

GSOSoup::GSOSoup(GSContext* context, SoupHandle soup, bool locked) : m_soup(std::move(soup)), m_locked(locked) {
    BindClass(GetScriptClass(), context);
}

GSOSoup::GSOSoup(GSContext* context) : GSOSoup(context, SoupHandle(), false) {}

GSOSoup::~GSOSoup() { m_soup.Clear(); }

GSOSoup* GSOSoup::Create(GSContext* context, const SoupHandle& soup, bool locked) {
    return KeepIfBound(new GSOSoup(context, soup, locked));
}

bool GSOSoup::ResolveScriptClass() { return GSNatives::ResolveScriptClass(ScriptClass::Soup); }

GSClass* GSOSoup::GetScriptClass() { return GSNatives::GetScriptClass(ScriptClass::Soup); }

void GSOSoup::NativeCountTags(GSStack* stack) { stack->Push(static_cast<uint32_t>(m_soup.Count())); }

void GSOSoup::NativeGetNamedTag(GSStack* stack) {
    Vek::PString name;
    if (!ReadName(stack, 1, name)) return;
    stack->PushPString(GetContext(), m_soup.GetString(name));
}

void GSOSoup::NativeGetNamedSoup(GSStack* stack) {
    Vek::PString name;
    if (!ReadName(stack, 1, name)) return;
    PushNewSoup(stack, GetContext(), m_soup.GetContainer(name), m_locked);
}

void GSOSoup::NativeGetNamedSoupAdd(GSStack* stack) {
    Vek::PString name;
    if (!ReadName(stack, 1, name)) return;
    if (!WritableOrRaise(m_locked, "Soup.GetNamedSoupAdd> parent soup is locked")) return;
    SoupHandle child = m_soup.GetContainer(name);
    if (!child.Get()) {
        if (!ScriptSoupRoom(GetContext(), TagRoom(0), "Soup.GetNamedSoupAdd")) return;
        GSScriptSoupCharge charge(GetContext());
        child.EnsureContainer();
        m_soup.SetContainer(name, child);
    }
    PushNewSoup(stack, GetContext(), child, false);
}

void GSOSoup::NativeGetIndexedTagName(GSStack* stack) {
    const int32_t index = static_cast<int32_t>(stack->Local(1));
    stack->PushPString(GetContext(), m_soup.GetTagName(index));
}

void GSOSoup::NativeGetIndexForNamedTag(GSStack* stack) {
    Vek::PString name;
    if (!ReadName(stack, 1, name)) return;
    const int32_t count = m_soup.Count();
    int32_t found = -1;
    // Each tag's name is read: 32 units a tag (GSExecutionBudget.h).
    GSChargeWork(uint64_t(count > 0 ? count : 0) * 32);
    for (int32_t i = 0; i < count && found < 0; ++i)
        if (m_soup.GetTagName(i) == name) found = i;
    stack->Push(static_cast<uint32_t>(found));
}

void GSOSoup::NativeGetNamedTagAsKUID(GSStack* stack) {
    Vek::PString name;
    if (!ReadName(stack, 1, name)) return;
    const KUID kuid = m_soup.GetKUID(name, KUID());
    if (kuid.IsNull()) {
        stack->Push(0);
        return;
    }
    PushKUID(stack, GetContext(), kuid);
}

void GSOSoup::NativeGetNamedTagAsInt(GSStack* stack) {
    Vek::PString name;
    if (!ReadName(stack, 1, name)) return;
    stack->Push(static_cast<uint32_t>(m_soup.GetInt(name, 0)));
}

void GSOSoup::NativeGetNamedTagAsIntDefault(GSStack* stack) {
    Vek::PString name;
    if (!ReadName(stack, 1, name)) return;
    stack->Push(static_cast<uint32_t>(m_soup.GetInt(name, static_cast<int32_t>(stack->Local(2)))));
}

void GSOSoup::NativeGetNamedTagAsFloat(GSStack* stack) {
    Vek::PString name;
    if (!ReadName(stack, 1, name)) return;
    stack->PushFloat(m_soup.GetFloat(name, 0.0f));
}

void GSOSoup::NativeGetNamedTagAsFloatDefault(GSStack* stack) {
    Vek::PString name;
    if (!ReadName(stack, 1, name)) return;
    float fallback = 0.0f;
    GetFloatParam(stack, 2, fallback);
    stack->PushFloat(m_soup.GetFloat(name, fallback));
}

void GSOSoup::NativeSetNamedTagString(GSStack* stack) {
    Vek::PString name;
    if (!WritableOrRaise(m_locked, "Soup.SetNamedTag> parent soup is locked") || !ReadName(stack, 1, name)) return;
    Vek::String text;
    GetStringParam(stack, 2, text, true);
    if (!ScriptSoupRoom(GetContext(), TagRoom(text.Length()), "Soup.SetNamedTag")) return;
    GSScriptSoupCharge charge(GetContext());
    m_soup.SetString(name, text.c_str());
}

void GSOSoup::NativeSetNamedTagFloat(GSStack* stack) {
    Vek::PString name;
    if (!WritableOrRaise(m_locked, "Soup.SetNamedTag> parent soup is locked") || !ReadName(stack, 1, name)) return;
    float value = 0.0f;
    GetFloatParam(stack, 2, value);
    if (!ScriptSoupRoom(GetContext(), TagRoom(4), "Soup.SetNamedTag")) return;
    GSScriptSoupCharge charge(GetContext());
    m_soup.SetFloat(name, value);
}

void GSOSoup::NativeSetNamedTagInt(GSStack* stack) {
    Vek::PString name;
    if (!WritableOrRaise(m_locked, "Soup.SetNamedTag> parent soup is locked") || !ReadName(stack, 1, name)) return;
    if (!ScriptSoupRoom(GetContext(), TagRoom(4), "Soup.SetNamedTag")) return;
    GSScriptSoupCharge charge(GetContext());
    m_soup.SetInt(name, static_cast<int32_t>(stack->Local(2)));
}

void GSOSoup::NativeSetNamedTagKUID(GSStack* stack) {
    Vek::PString name;
    if (!WritableOrRaise(m_locked, "Soup.SetNamedKUID> parent soup is locked") || !ReadName(stack, 1, name)) return;
    GSOKUID* kuid = nullptr;
    if (!GetParam<GSOKUID>(stack, 2, kuid, true)) return;
    if (!ScriptSoupRoom(GetContext(), TagRoom(8), "Soup.SetNamedKUID")) return;
    GSScriptSoupCharge charge(GetContext());
    m_soup.SetKUID(name, kuid ? kuid->GetKUID() : KUID());
}

void GSOSoup::NativeSetNamedSoup(GSStack* stack) {
    Vek::PString name;
    if (!WritableOrRaise(m_locked, "Soup.SetNamedTag> parent soup is locked") || !ReadName(stack, 1, name)) return;
    GSOSoup* child = StorableChild(stack, 2, "Soup.SetNamedTag");
    if (!child || !ScriptSoupRoom(GetContext(), TagRoom(0), "Soup.SetNamedTag")) return;
    GSScriptSoupCharge charge(GetContext());
    m_soup.SetContainer(name, child->m_soup);
}

void GSOSoup::NativeRemoveNamedTag(GSStack* stack) {
    Vek::PString name;
    if (!WritableOrRaise(m_locked, "Soup.RemoveNamedTag> parent soup is locked") || !ReadName(stack, 1, name)) return;
    m_soup.RemoveTag(name);
}

void GSOSoup::NativeCopy(GSStack* stack) {
    if (!WritableOrRaise(m_locked, "Soup.Copy> parent soup is locked")) return;
    GSOSoup* source = nullptr;
    if (!GetParam<GSOSoup>(stack, 1, source)) return;
    // The copy visits a shared sub-soup once per place it is stored in, and
    // makes a node for each visit: measured and refused before any work.
    SoupWalkCost cost;
    if (!ScriptSoupWithinLimit(source->m_soup, "Soup.Copy", &cost) ||
        !ScriptSoupRoom(GetContext(), TagRoom(0) + cost.nodes * kScriptSoupNodeRoom, "Soup.Copy"))
        return;
    GSScriptSoupCharge charge(GetContext());
    // Released first: a soup copied onto itself ends as an empty container.
    m_soup.Clear();
    const SoupHandle from = source->m_soup;
    m_soup.CopyFrom(from);
}

void GSOSoup::NativeClear(GSStack*) {
    if (!WritableOrRaise(m_locked, "Soup.Clear> parent soup is locked")) return;
    m_soup.Clear();
}

void GSOSoup::NativeIsLocked(GSStack* stack) { stack->Push(m_locked ? 1 : 0); }

void GSOSoup::NativeGetLockedReference(GSStack* stack) {
    {
        GSScriptSoupCharge charge(GetContext());
        m_soup.EnsureContainer();
    }
    if (m_locked) {
        stack->PushObject(this, nullptr);
        return;
    }
    PushNewSoup(stack, GetContext(), m_soup, true);
}

void GSOSoup::NativeAddUniqueNamedSoup(GSStack* stack) {
    if (!WritableOrRaise(m_locked, "Soup.AddUniqueNamedSoup> parent soup is locked")) return;
    GSOSoup* child = StorableChild(stack, 1, "Soup.AddUniqueNamedSoup");
    if (!child || !ScriptSoupRoom(GetContext(), TagRoom(0), "Soup.AddUniqueNamedSoup")) return;
    GSScriptSoupCharge charge(GetContext());
    const Vek::PString name = m_soup.GetFreeIndexTag();
    m_soup.SetContainer(name, child->m_soup);
}

GSOSoup* GSOSoup::StorableChild(GSStack* stack, int index, const char* native) const {
    GSOSoup* child = nullptr;
    if (!GetParam<GSOSoup>(stack, index, child)) return nullptr;
    if (child->m_locked) {
        GSRaiseScriptException("%s> sub-soup parameter is locked", native);
        return nullptr;
    }
    // The object itself is refused before any data exists: a new soup has
    // none, and the store would give it a container holding itself.
    if (child == this || WouldHoldItself(m_soup, child->m_soup)) {
        GSRaiseScriptException("%s> sub-soup parameter contains the parent soup", native);
        return nullptr;
    }
    return child;
}

namespace {

// Refuses a text form that was not written; true when it was.
bool TextWritten(TextSoupWrite written, const char* what) {
    if (written == TextSoupWrite::kTooDeep)
        GSRaiseScriptException("%s> soup nested deeper than %d containers", what, kMaxTextSoupDepth);
    else if (written == TextSoupWrite::kTooLarge)
        RaiseScriptSoupTooLarge(what);
    return written == TextSoupWrite::kWritten;
}

}  // namespace

void GSOSoup::NativeLog(GSStack*) { TextWritten(LogSoupAsTextWithin(m_soup, ScriptSoupWalkLimit()), "Soup.Log"); }

void GSOSoup::NativeAsString(GSStack* stack) {
    TBuffer buffer(new Vek::DynamicBuffer(512), true);
    // The text form of a soup nested n deep grows with n * n, and a shared
    // sub-soup is written once per place it is stored in: past the depth
    // the reader takes back, or past the walk's limit (which keeps the text
    // within a script string's length), it is refused instead of built.
    if (!TextWritten(WriteTextSoupWithin(m_soup, buffer, ScriptSoupWalkLimit()), "Soup.AsString")) return;
    const auto* bytes = reinterpret_cast<const char*>(buffer.GetData());
    stack->PushString(GetContext(), Vek::String(bytes, static_cast<std::size_t>(buffer.GetDataSize())));
}

namespace {

SoupHandle SoupOfParameter(GSObjectReference* object, bool& isSoup) {
    auto* soup = dynamic_cast<GSOSoup*>(object);
    isSoup = soup != nullptr;
    return soup ? soup->GetSoup() : SoupHandle();
}

GSDataRef NewLockedParameter(GSContext* context, const SoupHandle& soup) {
    GSOSoup* object = GSOSoup::Create(context, soup, true);
    return object ? object->GetReference() : 0;
}

}  // namespace

void RegisterSoupNatives() {
    static const MemberNative<GSOSoup> kNatives[] = {
        {"$int@Soup::CountTags()", &GSOSoup::NativeCountTags},
        {"$string@Soup::GetNamedTag(string)", &GSOSoup::NativeGetNamedTag},
        {"$Soup@Soup::GetNamedSoup(string)", &GSOSoup::NativeGetNamedSoup},
        {"$Soup@Soup::GetNamedSoupAdd(string)", &GSOSoup::NativeGetNamedSoupAdd},
        {"$string@Soup::GetIndexedTagName(int)", &GSOSoup::NativeGetIndexedTagName},
        {"$int@Soup::GetIndexForNamedTag(string)", &GSOSoup::NativeGetIndexForNamedTag},
        {"$KUID@Soup::GetNamedTagAsKUID(string)", &GSOSoup::NativeGetNamedTagAsKUID},
        {"$int@Soup::GetNamedTagAsInt(string)", &GSOSoup::NativeGetNamedTagAsInt},
        {"$int@Soup::GetNamedTagAsInt(string,int)", &GSOSoup::NativeGetNamedTagAsIntDefault},
        {"$float@Soup::GetNamedTagAsFloat(string)", &GSOSoup::NativeGetNamedTagAsFloat},
        {"$float@Soup::GetNamedTagAsFloat(string,float)", &GSOSoup::NativeGetNamedTagAsFloatDefault},
        {"$void@Soup::SetNamedTag(string,string)", &GSOSoup::NativeSetNamedTagString},
        {"$void@Soup::SetNamedTag(string,float)", &GSOSoup::NativeSetNamedTagFloat},
        {"$void@Soup::SetNamedTag(string,int)", &GSOSoup::NativeSetNamedTagInt},
        {"$void@Soup::SetNamedTag(string,KUID)", &GSOSoup::NativeSetNamedTagKUID},
        {"$void@Soup::SetNamedSoup(string,Soup)", &GSOSoup::NativeSetNamedSoup},
        {"$void@Soup::RemoveNamedTag(string)", &GSOSoup::NativeRemoveNamedTag},
        {"$void@Soup::Copy(Soup)", &GSOSoup::NativeCopy},
        {"$void@Soup::Clear()", &GSOSoup::NativeClear},
        {"$bool@Soup::IsLocked()", &GSOSoup::NativeIsLocked},
        {"$Soup@Soup::GetLockedReference()", &GSOSoup::NativeGetLockedReference},
        {"$void@Soup::AddUniqueNamedSoup(Soup)", &GSOSoup::NativeAddUniqueNamedSoup},
        {"$void@Soup::Log()", &GSOSoup::NativeLog},
        {"$string@Soup::AsString()", &GSOSoup::NativeAsString},
    };
    RegisterMemberNatives("Soup", kNatives);

    GSSoupParameterServices services;
    services.soupOf = &SoupOfParameter;
    services.newLockedSoup = &NewLockedParameter;
    GSSetSoupParameterServices(services);
}

}  // namespace GSNatives
