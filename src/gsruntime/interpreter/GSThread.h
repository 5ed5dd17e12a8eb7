#pragma once
// GSThread: one line of execution of script code. A thread has its value
// stack with the call frames (GSStack), a run state, the code offset at
// which it resumes, the message-wait blocks it is blocked on, a queue of
// messages that arrived while it was busy, a sleep timer and the game
// object that owns it. Game objects own their threads and run them once per
// update; the script machine owns one static thread (no owner, static flag)
// on which native code runs script functions synchronously.
//
// Execute is the bytecode interpreter (GSInterpreter.cpp): it runs the
// thread until its outermost function returns (ER_Done), it waits or sleeps
// (ER_Blocked) or an error ends it (any other ER_ code, GSThreadResult.h);
// the error end reports "Thread Exception: %s, line %d, file %s" and a
// stack dump to the script log, calls the host exception callback, marks
// the thread dead and clears its stack.
//
// Messages: a waiting thread resumes at the handler of the first wait block
// that matches a message (same major id; same minor id, or a block minor of
// 1, which matches every minor), with the script "Message" object pushed; a
// busy thread with a matching block queues the message (at most 1024; one
// more empties the queue and is reported, the thread lives on).
//
// Everything here runs on the one thread that runs scripts; nothing locks.
#include <cstdint>
#include <deque>
#include <memory>

#include "foundation/containers/IDoubleLinkList.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/interpreter/GSWaitBlock.h"

namespace GSRuntime {

class GSMessage;
class GSObject;

class GSThread : public Utils::IDoubleLinkListNode {
public:
    // Run states.
    enum : int32_t {
        kRunnable = 0,
        kWaiting = 1,  // for a message (sleep time 0) or sleeping
        kDead = 2,
    };
    // Flag bit 0: the machine's static thread, which may neither sleep nor
    // wait.
    static constexpr uint32_t kStaticFlag = 0x1;
    static constexpr int32_t kMaxQueuedMessages = 1024;
    // A sleep must be longer than this to suspend the thread.
    static constexpr float kMinSleep = 1e-6f;
    // The minor id of a block that matches every minor id (the empty name).
    static constexpr uint16_t kAnyMinor = 1;

    using Block = GSWaitBlock;

    // Called with every thread exception: the message, the thread's stack,
    // the game object concerned (or null) and whether the thread goes on.
    using HostExceptionCallback = void (*)(const char* message, GSStack* stack, GSObject* gameObject, bool continued);

    // A runnable thread with an empty stack, owned by `owner` (a game object,
    // or null for the static thread).
    GSThread(GSObject* owner, uint32_t flags);
    // Reset, then the queue is emptied and the stack destroyed.
    ~GSThread() override;
    GSThread(const GSThread&) = delete;
    GSThread& operator=(const GSThread&) = delete;

    // Clears the stack; with an owner, empties the queue (releasing each
    // message) and unsubscribes the owner's node from every block's major id
    // while it is in a router; then block count, state, resume offset,
    // flags and sleep time become 0.
    void Reset();

    // Runs the thread for `dt` seconds since its last run (the interpreter);
    // an ER_ code.
    int32_t Execute(float dt);

    // Offers a message (see the class comment). True when the message was
    // taken: delivered to a waiting thread, queued (`queue`), accepted
    // without keeping it (not `queue`), or dropped with the queue after an
    // overflow. False when no block matches, or the owner is in no router
    // or belongs to no context.
    bool QueueMessage(GSMessage* message, bool queue);
    // Offers the queued messages to the current blocks once: the first that
    // matches resumes the thread, later matching ones stay queued, the rest
    // are dropped. True when the thread is runnable afterwards.
    bool ProcessQueuedMessages();

    // Reports a script exception raised by native code on this thread:
    // "%s (file %s)" with the current function's library file (the text
    // alone without a frame) to the script log and the host callback. Unless
    // `continued` the thread dies. Always false.
    bool Exception(const char* text, bool continued);

    // Keeps the current frame, stack pointer, state and resume offset,
    // pushes a zero slot and detaches the frames, so that a nested run on
    // this thread builds its own frame chain (from offset 0) above the
    // saved content. RestoreState puts the four values back.
    void SaveState(GSSavedThreadState& saved);
    void RestoreState(const GSSavedThreadState& saved);

    // The sleep native: suspends the current thread for `seconds` when they
    // exceed kMinSleep and the current thread is not the static thread.
    static void SleepCurrentThread(float seconds);

    // The host exception callback (none by default).
    static void SetHostExceptionCallback(HostExceptionCallback callback);
    static HostExceptionCallback GetHostExceptionCallback();

    GSStack& Stack() { return m_stack; }
    const GSStack& Stack() const { return m_stack; }
    GSObject* Owner() const { return m_owner; }
    int32_t State() const { return m_state; }
    void SetState(int32_t state) { m_state = state; }
    int32_t ResumeOffset() const { return m_resumeOffset; }
    void SetResumeOffset(int32_t offset) { m_resumeOffset = offset; }
    uint32_t Flags() const { return m_flags; }
    bool IsStatic() const { return (m_flags & kStaticFlag) != 0; }
    float SleepTime() const { return m_sleepTime; }
    void SetSleepTime(float seconds) { m_sleepTime = seconds; }

    // Wait blocks. SetBlockCount makes `count` blocks valid, growing the
    // storage when the count is not below its capacity (to the count
    // rounded down to a multiple of 4, plus 4; the old blocks are kept).
    int32_t BlockCount() const { return m_blockCount; }
    int32_t BlockCapacity() const { return m_blockCapacity; }
    void SetBlockCount(int32_t count);
    Block& BlockAt(int32_t index) { return m_blocks[index]; }
    // Unsubscribes the owner's node from every block's major id; no valid
    // block remains.
    void WithdrawBlocks();

    int32_t QueuedCount() const { return static_cast<int32_t>(m_queue.size()); }
    GSMessage* QueuedAt(int32_t index) const { return m_queue[static_cast<std::size_t>(index)]; }

    // While another context is torn down: cuts the references into it from
    // the thread's frames (GSStack::CutReferencesInto). A thread that is not
    // running stands at its resume offset: after the call that slept, at
    // the wait it waits in, or at the handler a message resumes it at.
    void CutReferencesInto(const GSTrackedObjectRegistry& dying) {
        m_stack.CutReferencesInto(dying, m_runs > 0 ? GSStack::kNone : m_resumeOffset);
    }

    // The game object a report concerns: the owner, or for a thread without
    // one the game object of the `me` of the innermost frame that has one
    // (only the innermost frame when `innermostOnly`).
    GSObject* GameObjectConcerned(bool innermostOnly) const;

private:
    const Block* FindBlock(const GSMessage* message) const;
    void ReleaseQueue();
    void ReportOverflow(GSMessage* message);

    int32_t m_state = kRunnable;
    int32_t m_resumeOffset = 0;
    int32_t m_runs = 0;  // runs of Execute in progress (nested ones included)
    uint32_t m_flags = 0;
    GSStack m_stack;
    int32_t m_blockCount = 0;
    int32_t m_blockCapacity = 0;
    std::unique_ptr<Block[]> m_blocks;
    std::deque<GSMessage*> m_queue;
    float m_sleepTime = 0.0f;
    GSObject* m_owner = nullptr;
};

}  // namespace GSRuntime
