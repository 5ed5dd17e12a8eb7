#include "gsruntime/router/GSGameObject.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSLog.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSScriptSoupBounds.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/GSThreadResult.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/interpreter/GSThread.h"
#include "gsruntime/natives/GSParamFetch.h"
#include "gsruntime/router/FindForeignGameObject.h"
#include "gsruntime/router/GSMessage.h"
#include "gsruntime/router/GSMessageSoupParameter.h"
#include "gsruntime/router/GSRouter.h"

namespace GSRuntime {

namespace {

// A string argument: false for a null slot or an object that is no string
// (a null string), else its text.
bool StringArgument(const GSStack* stack, int index, Vek::String& out) {
    const GSObjectReference* owner = GSParamOwner(stack, index);
    out.Clear();
    if (!owner || owner->GetType() != kGSRefString) return false;
    out = Vek::String(*static_cast<const GSString*>(owner));
    return true;
}

// A string argument, which the stack holds while the native runs: null for
// a null slot or an object that is no string.
const GSString* StringObject(const GSStack* stack, int index) {
    const GSObjectReference* owner = GSParamOwner(stack, index);
    return owner && owner->GetType() == kGSRefString ? static_cast<const GSString*>(owner) : nullptr;
}

// The game object argument, or null.
GSGameObject* GameObjectArgument(const GSStack* stack, int index) {
    GSObjectReference* owner = GSParamOwner(stack, index);
    return owner && owner->GetType() == kGSRefGameObject ? static_cast<GSObject*>(owner)->AsGameObject() : nullptr;
}

// A copy of a thread list, taken before any of them runs: running may add
// or remove threads. It stays on the stack for the usual few threads.
class ThreadSnapshot {
public:
    explicit ThreadSnapshot(const std::vector<GSThread*>& threads) : m_size(threads.size()) {
        if (m_size <= kInline) {
            std::copy(threads.begin(), threads.end(), m_inline);
            m_begin = m_inline;
        } else {
            m_heap = threads;
            m_begin = m_heap.data();
        }
    }
    ThreadSnapshot(const ThreadSnapshot&) = delete;
    ThreadSnapshot& operator=(const ThreadSnapshot&) = delete;

    GSThread* const* begin() const { return m_begin; }
    GSThread* const* end() const { return m_begin + m_size; }

private:
    static constexpr std::size_t kInline = 8;
    std::size_t m_size;
    GSThread* m_inline[kInline];
    std::vector<GSThread*> m_heap;
    GSThread* const* m_begin = nullptr;
};

// A delay in seconds as whole milliseconds, truncated toward zero; a NaN,
// an infinity or a value no 64-bit count can hold gives 0.
uint32_t DelayMilliseconds(float seconds) {
    const double ms = static_cast<double>(seconds) * 1000.0;
    if (!std::isfinite(ms) || std::fabs(ms) >= 9.0e18) return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(ms)) & GSMessage::kTimeMask);
}

}  // namespace

GSGameObject::GSGameObject() : GSObject(kGSRefGameObject) {
    SetFlags(kGameObject);
    Activate();
}

GSGameObject::~GSGameObject() {
    // A thread's stack may hold the last other count on this object's own
    // instance: releasing it there must not delete this object a second
    // time, so a count is held while the threads go and is handed back
    // without a release (the object part's destructor decides from the
    // count that is left).
    GSScriptInstance* header = GetReference() ? GSScriptInstance::FromReference(GetReference()) : nullptr;
    if (header) header->count += 1;
    std::vector<GSThread*> threads;
    threads.swap(m_threads);
    for (GSThread* thread : threads) delete thread;
    DeleteRetiredThreads();
    m_handlers.clear();
    if (header) header->count -= 1;
}

void GSGameObject::HoldInstance() {
    if (GetReference()) GSScriptInstance::AddRef(GetReference());
}

void GSGameObject::DropThreadsAndHandlers() {
    std::vector<GSThread*> threads;
    threads.swap(m_threads);
    for (GSThread* thread : threads) {
        // The thread that is running now must outlive its run.
        if (thread == m_executing) {
            m_retired.push_back(thread);
        } else {
            delete thread;
        }
    }
    m_handlers.clear();
}

void GSGameObject::DeleteRetiredThreads() {
    for (GSThread* thread : m_retired) delete thread;
    m_retired.clear();
}

bool GSGameObject::BindClass(GSClass* cls, GSContext* context) {
    DropThreadsAndHandlers();
    if (!cls) {
        Unbind();
        return false;
    }
    if (!cls->IsA("GameObject")) return false;
    return GSObject::BindClass(cls, context);
}

GSThread* GSGameObject::CreateThread() {
    if (ThreadCount() >= kMaxThreads) return nullptr;
    if (!GetReference() || !GetClass()) return nullptr;
    GSThread* thread = new GSThread(this, 0);
    m_threads.push_back(thread);
    Activate();
    return thread;
}

void GSGameObject::ResetThreads() {
    for (GSThread* thread : m_threads) thread->Reset();
}

void GSGameObject::CutThreadReferencesInto(const GSTrackedObjectRegistry& dying) {
    for (GSThread* thread : m_threads) thread->CutReferencesInto(dying);
}

bool GSGameObject::DeferDestruction() {
    if (Id() == -1 || !Router()) return false;
    SetFlags(Flags() | kDestroyPending);
    Activate();
    return true;
}

bool GSGameObject::HandleMessage(GSMessage* const& message) {
    GSRouter* router = Router();
    if (!router || !message) return false;
    Vek::AutoReference<GSMessage> hold(message);
    message->AddReference();
    bool handled = false;
    const ThreadSnapshot threads(m_threads);
    for (GSThread* thread : threads) {
        if (std::find(m_threads.begin(), m_threads.end(), thread) == m_threads.end()) continue;
        if (thread->QueueMessage(message, true)) handled = true;
    }
    std::vector<GSHandler> matching;
    for (const GSHandler& handler : m_handlers) {
        if (handler.major == message->major && (handler.minor == 1 || handler.minor == message->minor)) {
            matching.push_back(handler);
        }
    }
    for (const GSHandler& handler : matching) {
        if (handler.sniff) {
            if (message->timeWord & GSMessage::kSniffedBit) continue;
            GSNode* node = router->GetNode(handler.listener);
            GSGameObject* listener = node ? (node->IsGameObject() ? static_cast<GSGameObject*>(node) : nullptr)
                                          : FindForeignGameObject(handler.listener, true);
            if (!listener || !listener->Router()) continue;
            GSRouter* target = listener->Router();
            const Vek::String majorName = router->GetMessageTypeName(message->major);
            const Vek::String minorName = router->GetMessageTypeName(message->minor);
            GSMessage* copy = GSMessage::Create();
            const uint16_t minor = target->GetMessageTypeId(minorName.c_str());
            const uint16_t major = target->GetMessageTypeId(majorName.c_str());
            copy->Init(0, major, minor, message->source, message->destination);
            copy->timeWord |= GSMessage::kSniffedBit;
            copy->parameter = message->parameter;
            listener->HandleMessage(copy);
            copy->ReleaseReference();
            continue;
        }
        RunHandler(handler, message);
        handled = true;
    }
    if (handled) return true;
    return GSNode::HandleMessage(message);
}

void GSGameObject::RunHandler(const GSHandler& handler, GSMessage* message) {
    GSRouter* router = Router();
    GSNode* node = router ? router->GetNode(handler.listener) : nullptr;
    if (!node || !node->IsGameObject()) return;
    GSGameObject* listener = static_cast<GSGameObject*>(node);
    GSMachine::Instance();
    const GSDataRef me = listener->GetReference();
    GSClass* cls = listener->GetClass();
    GSContext* context = listener->GetContext();
    if (!me || !cls || !context) return;
    GSMessageParts parts;
    parts.major = router->MessageTypeText(message->major);
    parts.minor = router->MessageTypeText(message->minor);
    GSNode* source = router->GetNode(message->source);
    GSNode* destination = router->GetNode(message->destination);
    if (source && source->IsGameObject()) parts.source = static_cast<GSGameObject*>(source);
    if (destination && destination->IsGameObject()) parts.destination = static_cast<GSGameObject*>(destination);
    parts.parameter = NewMessageParameterObject(context, message->parameter);
    const GSDataRef messageObject = GSContext::BuildMessageObject(context, parts);
    // The listener must live through its handler even when the handler
    // drops the last other reference to it.
    GSScriptInstance* header = GSScriptInstance::AddRef(me);
    // The call takes over the message object's count.
    CallScriptFunction(context, cls, header, handler.signature.c_str(), nullptr, {messageObject});
    GSScriptInstance::Release(header);
}

void GSGameObject::Update(float dt) {
    GSNode::Update(dt);
    const ThreadSnapshot threads(m_threads);
    for (GSThread* thread : threads) {
        if (std::find(m_threads.begin(), m_threads.end(), thread) == m_threads.end()) continue;
        m_executing = thread;
        const int32_t result = thread->Execute(dt);
        m_executing = nullptr;
        DeleteRetiredThreads();
        if (result == ER_Blocked) continue;
        auto found = std::find(m_threads.begin(), m_threads.end(), thread);
        if (found == m_threads.end()) continue;
        m_threads.erase(found);
        delete thread;
    }
    if (!m_threads.empty()) Activate();
}

void GSGameObject::DumpThreadStacks() const {
    int32_t number = 0;
    for (const GSThread* thread : m_threads) {
        if (GSLogCallback) {
            GSLog("*** STACK DUMP OF THREAD %d ON GAME OBJECT %s, id %d ***", number, GetName().c_str(), Id());
        }
        thread->Stack().Dump();
        if (GSLogCallback) GSLog("\n");
        number += 1;
    }
}

// Natives.

void GSGameObject::SendOrPost(GSStack* stack, bool post, bool withSoup) {
    GSThread* current = GSCurrentThread();
    if (!post && current && current->IsStatic()) current->Exception("Static Thread cannot call SendMessage", false);
    float seconds = 0.0f;
    if (post) GetFloatParam(stack, withSoup ? 5 : 4, seconds);
    const GSString* majorString = StringObject(stack, 2);
    const GSString* minorString = StringObject(stack, 3);
    if (!majorString || !minorString) {
        const char* text = post ? "GameObject::PostMessage() illegal major or minor string"
                                : "GameObject::SendMessage() illegal major or minor string";
        if (current) current->Exception(text, false);
        return;
    }
    // A soup argument: the message carries a copy without its hidden tags.
    // Null means no parameter; an object that is no soup is refused.
    SoupHandle parameter;
    if (GSObjectReference* owner = withSoup ? GSParamOwner(stack, 4) : nullptr) {
        const GSSoupParameterServices& services = GSGetSoupParameterServices();
        bool isSoup = false;
        const SoupHandle soup = services.soupOf ? services.soupOf(owner, isSoup) : SoupHandle();
        if (!isSoup) {
            GSRaiseScriptException("incorrect parameter type at parameter %d", 4);
            return;
        }
        // The copy is bounded and charged as every copy a script asks for.
        const char* what = post ? "GameObject.PostMessage" : "GameObject.SendMessage";
        SoupWalkCost cost;
        if (!ScriptSoupWithinLimit(soup, what, &cost) ||
            !ScriptSoupRoom(GetContext(), (cost.nodes + 1) * kScriptSoupNodeRoom, what))
            return;
        GSScriptSoupCharge charge(GetContext());
        parameter = MessageParameterFrom(soup);
    }
    GSGameObject* target = GameObjectArgument(stack, 1);
    // A library's string constant remembers its type id.
    GSMessage* message = CreateMessage(majorString->c_str(), majorString->TypeIdMemo(), minorString->c_str(),
                                       minorString->TypeIdMemo(), target ? target->Id() : 0,
                                       post ? DelayMilliseconds(seconds) : 0);
    if (!message) return;
    message->parameter = parameter;
    if (GSRouter* router = Router()) {
        if (post) {
            router->PostMessage(message);
        } else {
            router->SendMessage(message);
        }
    }
    message->ReleaseReference();
}

void GSGameObject::NativeSendMessage(GSStack* stack) { SendOrPost(stack, false, false); }
void GSGameObject::NativeSendMessageSoup(GSStack* stack) { SendOrPost(stack, false, true); }
void GSGameObject::NativePostMessage(GSStack* stack) { SendOrPost(stack, true, false); }
void GSGameObject::NativePostMessageSoup(GSStack* stack) { SendOrPost(stack, true, true); }

void GSGameObject::NativeClearMessages(GSStack* stack) {
    GSRouter* router = Router();
    if (!router) return;
    Vek::String major;
    Vek::String minor;
    StringArgument(stack, 1, major);
    StringArgument(stack, 2, minor);
    router->ClearMessages(this, Vek::PString(major.c_str()), Vek::PString(minor.c_str()));
}

void GSGameObject::NativeAddHandler(GSStack* stack) {
    GSRouter* router = Router();
    if (!router) return;
    GSObjectReference* owner = GSParamOwner(stack, 1);
    if (!owner) {
        GSLog("target object is null for GameObject::AddHandler()");
        return;
    }
    GSGameObject* target = GameObjectArgument(stack, 1);
    if (!target) {
        GSLog("target object is wrong type for GameObject::AddHandler()");
        return;
    }
    Vek::String major;
    Vek::String minor;
    Vek::String name;
    if (!StringArgument(stack, 2, major)) {
        GSLog("major type is null for GameObject::AddHandler()");
        return;
    }
    StringArgument(stack, 3, minor);
    StringArgument(stack, 4, name);
    const uint16_t majorId = router->GetMessageTypeId(major.c_str());
    const uint16_t minorId = minor.IsEmpty() ? GSRouter::kTypeEmpty : router->GetMessageTypeId(minor.c_str());
    auto& handlers = target->m_handlers;
    if (name.IsEmpty()) {
        for (auto it = handlers.begin(); it != handlers.end();) {
            if (!it->sniff && it->major == majorId && it->minor == minorId && it->listener == Id()) {
                if (target->Router()) target->Router()->Unsubscribe(target, majorId);
                it = handlers.erase(it);
            } else {
                ++it;
            }
        }
        return;
    }
    GSClass* cls = GetClass();
    if (!cls) return;
    std::string signature = std::string("$void@") + cls->Name() + "::" + name.c_str() + "(Message)";
    uint32_t dataOffset = 0;
    int32_t slot = 0;
    int32_t index = -1;
    GSClass* found = cls->FindFunction(signature.c_str(), dataOffset, slot, index);
    if (!found) {
        GSFunction* inherited = nullptr;
        uint32_t inheritedOffset = 0;
        if (cls->FindInheritedFunction(signature.c_str(), inherited, inheritedOffset) && inherited &&
            inherited->signature) {
            found = cls->FindFunction(inherited->signature, dataOffset, slot, index);
            if (found) signature = inherited->signature;
        }
    }
    if (!found) {
        GSLog("Could not find handler %s for native GameObject::AddHandler()", signature.c_str());
        return;
    }
    for (const GSHandler& handler : handlers) {
        if (!handler.sniff && handler.major == majorId && handler.minor == minorId && handler.listener == Id() &&
            handler.slot == slot) {
            return;
        }
    }
    GSHandler handler;
    handler.listener = Id();
    handler.dataOffset = dataOffset;
    handler.slot = slot;
    handler.signature = signature;
    handler.major = majorId;
    handler.minor = minorId;
    handlers.push_back(handler);
    if (target->Router()) target->Router()->Subscribe(target, majorId);
}

void GSGameObject::NativeSniff(GSStack* stack) {
    GSObjectReference* owner = GSParamOwner(stack, 1);
    if (!owner) {
        GSLog("target object is null for GameObject::Sniff()");
        return;
    }
    GSGameObject* target = GameObjectArgument(stack, 1);
    if (!target) {
        GSLog("target object is wrong type for GameObject::Sniff()");
        return;
    }
    GSRouter* router = target->Router();
    if (!router || !Router()) {
        GSLog("router is null for GameObject::Sniff()");
        return;
    }
    Vek::String major;
    Vek::String minor;
    if (!StringArgument(stack, 2, major)) {
        GSLog("major type is null for GameObject::Sniff()");
        return;
    }
    StringArgument(stack, 3, minor);
    const bool enable = stack->Local(4) != 0;
    const uint16_t majorId = router->GetMessageTypeId(major.c_str());
    const uint16_t minorId = router->GetMessageTypeId(minor.c_str());
    auto& handlers = target->m_handlers;
    if (enable) {
        for (const GSHandler& handler : handlers) {
            if (handler.sniff && handler.major == majorId && handler.minor == minorId && handler.listener == Id()) {
                return;
            }
        }
        GSHandler handler;
        handler.listener = Id();
        handler.major = majorId;
        handler.minor = minorId;
        handler.sniff = true;
        handlers.push_back(handler);
        router->Subscribe(target, majorId);
        return;
    }
    for (auto it = handlers.begin(); it != handlers.end();) {
        if (it->sniff && it->major == majorId && it->minor == minorId && it->listener == Id()) {
            router->Unsubscribe(target, majorId);
            it = handlers.erase(it);
        } else {
            ++it;
        }
    }
}

void GSGameObject::NativeSleep(GSStack* stack) {
    float seconds = 0.0f;
    GetFloatParam(stack, 1, seconds);
    GSThread::SleepCurrentThread(seconds);
}

void GSGameObject::NativeGetId(GSStack* stack) { stack->Push(static_cast<uint32_t>(Id())); }

void GSGameObject::NativeGetName(GSStack* stack) {
    GSContext* context = GetContext() ? GetContext() : GSCurrentContext();
    stack->PushString(context, Vek::String(GetName().c_str()));
}

void GSGameObject::NativeException(GSStack* stack) {
    GSThread* current = GSCurrentThread();
    if (!current) return;
    Vek::String text;
    StringArgument(stack, 1, text);
    current->Exception(text.c_str(), true);
}

}  // namespace GSRuntime
