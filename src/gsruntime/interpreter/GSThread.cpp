#include "gsruntime/interpreter/GSThread.h"

#include <string>

#include "gsruntime/GSFunction.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSLog.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/interpreter/GSGameObjectServices.h"

namespace GSRuntime {

namespace {

GSThread::HostExceptionCallback g_hostCallback = nullptr;

void HoldMessage(GSMessage* message) {
    if (GSGetGameObjectServices().holdMessage) GSGetGameObjectServices().holdMessage(message);
}

void ReleaseMessage(GSMessage* message) {
    if (GSGetGameObjectServices().releaseMessage) GSGetGameObjectServices().releaseMessage(message);
}

// The game object behind a frame's `me`, or null.
GSObject* GameObjectOf(GSDataRef me) {
    GSObjectReference* owner = me ? GSScriptInstance::OwnerOf(me) : nullptr;
    return owner && owner->GetType() == kGSRefGameObject ? static_cast<GSObject*>(owner) : nullptr;
}

}  // namespace

GSThread::GSThread(GSObject* owner, uint32_t flags) : m_flags(flags), m_owner(owner) {}

GSThread::~GSThread() {
    Reset();
    ReleaseQueue();
}

void GSThread::SetHostExceptionCallback(HostExceptionCallback callback) { g_hostCallback = callback; }

GSThread::HostExceptionCallback GSThread::GetHostExceptionCallback() { return g_hostCallback; }

void GSThread::Reset() {
    m_stack.Clear();
    if (m_owner) {
        ReleaseQueue();
        if (GSInRouter(m_owner)) WithdrawBlocks();
    }
    m_blockCount = 0;
    m_state = kRunnable;
    m_resumeOffset = 0;
    m_flags = 0;
    m_sleepTime = 0.0f;
}

void GSThread::ReleaseQueue() {
    while (!m_queue.empty()) {
        GSMessage* message = m_queue.front();
        m_queue.pop_front();
        ReleaseMessage(message);
    }
}

void GSThread::SetBlockCount(int32_t count) {
    if (count < 0) count = 0;
    if (count >= m_blockCapacity) {
        const int32_t capacity = (count / 4) * 4 + 4;
        std::unique_ptr<Block[]> blocks(new Block[static_cast<std::size_t>(capacity)]);
        for (int32_t i = 0; i < m_blockCapacity; ++i)
            blocks[static_cast<std::size_t>(i)] = m_blocks[static_cast<std::size_t>(i)];
        m_blocks = std::move(blocks);
        m_blockCapacity = capacity;
    }
    m_blockCount = count;
}

void GSThread::WithdrawBlocks() {
    const GSGameObjectServices& services = GSGetGameObjectServices();
    if (m_owner && m_blockCount > 0 && services.unsubscribeBlocks)
        services.unsubscribeBlocks(m_owner, m_blocks.get(), m_blockCount);
    m_blockCount = 0;
}

const GSThread::Block* GSThread::FindBlock(const GSMessage* message) const {
    const GSGameObjectServices& services = GSGetGameObjectServices();
    if (!message || !services.messageMajor || !services.messageMinor) return nullptr;
    const uint16_t major = services.messageMajor(message);
    const uint16_t minor = services.messageMinor(message);
    for (int32_t i = 0; i < m_blockCount; ++i) {
        const Block& block = m_blocks[static_cast<std::size_t>(i)];
        if (block.major == major && (block.minor == minor || block.minor == kAnyMinor)) return &block;
    }
    return nullptr;
}

bool GSThread::QueueMessage(GSMessage* message, bool queue) {
    if (!m_owner || !GSInRouter(m_owner) || !m_owner->GetContext()) return false;
    const Block* block = FindBlock(message);
    if (m_state == kWaiting) {
        if (!block) return false;
        m_resumeOffset = block->handler;
        const GSGameObjectServices& services = GSGetGameObjectServices();
        const GSDataRef object = services.messageObject ? services.messageObject(m_owner, message) : 0;
        if (!m_stack.Push(object)) GSScriptInstance::ReleaseReference(object);
        m_state = kRunnable;
        m_sleepTime = 0.0f;
        return true;
    }
    if (!block) return false;
    if (!queue) return true;
    if (QueuedCount() < kMaxQueuedMessages) {
        HoldMessage(message);
        m_queue.push_back(message);
        return true;
    }
    ReportOverflow(message);
    return true;
}

void GSThread::ReportOverflow(GSMessage* message) {
    const GSGameObjectServices& services = GSGetGameObjectServices();
    Vek::String text;
    text.Format("Message Queue Overflow for node %d (discarded message follows)\n",
                services.nodeId ? services.nodeId(m_owner) : 0);
    if (services.describeMessage) services.describeMessage(m_owner, message, text);
    text.Add(" thread state is %d\n", m_state);
    text.Append(" messages already in queue follow:\n");
    if (services.describeMessage) {
        for (GSMessage* queued : m_queue) services.describeMessage(m_owner, queued, text);
    }
    Exception(text.c_str(), true);
    ReleaseQueue();
}

bool GSThread::ProcessQueuedMessages() {
    if (m_owner) {
        const std::size_t n = m_queue.size();
        for (std::size_t i = 0; i < n && !m_queue.empty(); ++i) {
            GSMessage* message = m_queue.front();
            HoldMessage(message);
            m_queue.pop_front();
            ReleaseMessage(message);
            const bool wasWaiting = m_state == kWaiting;
            if (QueueMessage(message, false) && !(wasWaiting && m_state == kRunnable)) {
                // It matches a block, and the thread no longer waits: it
                // stays for the next wait.
                HoldMessage(message);
                m_queue.push_back(message);
            }
            ReleaseMessage(message);
        }
    }
    return m_state == kRunnable;
}

GSObject* GSThread::GameObjectConcerned(bool innermostOnly) const {
    if (m_owner) return m_owner;
    for (int32_t frame = m_stack.CurrentFrame(); frame != GSStack::kNone; frame = m_stack.FramePrevious(frame)) {
        if (GSObject* object = GameObjectOf(m_stack.Slot(m_stack.FrameLocalsBase(frame)))) return object;
        if (innermostOnly) break;
    }
    return nullptr;
}

bool GSThread::Exception(const char* text, bool continued) {
    if (!continued) m_state = kDead;
    const int32_t frame = m_stack.CurrentFrame();
    const GSFunction* function = frame != GSStack::kNone ? m_stack.FrameFunction(frame) : nullptr;
    std::string message = text ? text : "";
    if (frame != GSStack::kNone) {
        message += " (file ";
        message += function && function->library ? function->library->GetName() : "";
        message += ")";
    }
    GSLog("%s", message.c_str());
    if (g_hostCallback) g_hostCallback(message.c_str(), &m_stack, GameObjectConcerned(false), continued);
    return false;
}

void GSThread::SaveState(GSSavedThreadState& saved) {
    saved.currentFrame = m_stack.CurrentFrame();
    saved.stackPointer = m_stack.StackPointer();
    saved.state = m_state;
    saved.resumeOffset = m_resumeOffset;
    m_stack.Push(0);
    m_stack.SetCurrentFrame(GSStack::kNone);
    m_resumeOffset = 0;
}

void GSThread::RestoreState(const GSSavedThreadState& saved) {
    m_stack.SetCurrentFrame(saved.currentFrame);
    m_stack.SetStackPointer(saved.stackPointer);
    m_state = saved.state;
    m_resumeOffset = saved.resumeOffset;
}

void GSThread::SleepCurrentThread(float seconds) {
    GSThread* thread = GSCurrentThread();
    if (!thread || thread->IsStatic() || !(seconds > kMinSleep)) return;
    thread->m_sleepTime = seconds;
    thread->m_state = kWaiting;
}

}  // namespace GSRuntime
