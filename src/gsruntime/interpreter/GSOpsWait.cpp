// The message wait (opcode 112): int16 n; n pairs {uint16 major, uint16
// minor string index}; n int32 handler offsets. The thread blocks until a
// message matching one of the pairs reaches its game object, and then
// resumes at that pair's handler with the script "Message" object pushed
// (GSThread::QueueMessage). Execution never continues after the operands.

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/interpreter/GSDispatchTable.h"
#include "gsruntime/interpreter/GSGameObjectServices.h"
#include "gsruntime/interpreter/GSThread.h"

namespace GSRuntime {

namespace {

// The text of a wait's type name; the empty name for an index the library
// does not have.
const char* TypeName(const GSLibrary* library, uint16_t index) {
    const char* name = library ? library->GetString(index) : nullptr;
    return name ? name : "";
}

bool Wait(GSRunState& s) {
    const uint8_t* opcode = s.pc - 1;
    const uint8_t* table = s.pc;
    const int32_t n = s.I16();
    if (n < 0) return s.Raise(ER_IllegalInstruction);
    s.pc = table + 2 + 8 * n;

    GSThread& thread = *s.thread;
    GSObject* owner = thread.Owner();
    if (!owner || thread.IsStatic()) return s.Raise(ER_ThreadError);
    const GSGameObjectServices& services = GSGetGameObjectServices();
    if (!GSInRouter(owner) || !services.messageTypeId || !services.subscribe) return s.Raise(ER_ThreadError);

    thread.SetBlockCount(n);
    const uint8_t* pairs = table + 2;
    const uint8_t* handlers = pairs + 4 * n;
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t* pair = pairs + 4 * i;
        const uint16_t majorIndex = static_cast<uint16_t>(pair[0] | (pair[1] << 8));
        const uint16_t minorIndex = static_cast<uint16_t>(pair[2] | (pair[3] << 8));
        GSThread::Block& block = thread.BlockAt(i);
        // Pairs often repeat a major (one per minor): the name is looked
        // up once.
        const bool sameMajor = i > 0 && pair[-4] == pair[0] && pair[-3] == pair[1];
        block.major = sameMajor ? thread.BlockAt(i - 1).major
                                : services.messageTypeId(owner, TypeName(s.library, majorIndex));
        block.minor = services.messageTypeId(owner, TypeName(s.library, minorIndex));
        block.handler = GSCodeWord(handlers + 4 * i);
        services.subscribe(owner, block.major);
    }

    thread.SetState(GSThread::kWaiting);
    // Until a message names its handler, the frame stands at the wait.
    thread.SetResumeOffset(static_cast<int32_t>(opcode - s.code));
    s.WriteBack();
    // A message queued while the thread was busy may resume it at once; its
    // handler runs at the thread's next run.
    thread.ProcessQueuedMessages();
    return s.Finish(ER_Blocked);
}

}  // namespace

void GSInstallWaitHandlers(GSOpHandler* table) { table[OP_Wait] = &Wait; }

}  // namespace GSRuntime
