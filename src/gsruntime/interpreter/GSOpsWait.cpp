// The message wait (opcode 112): int16 n; n pairs {uint16 major, uint16
// minor string index}; n int32 handler offsets. The thread blocks until a
// message matching one of the pairs reaches its game object, and then
// resumes at that pair's handler with the script "Message" object pushed
// (GSThread::QueueMessage). Execution never continues after the operands.

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSConstantStrings.h"
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

// The type ids of a wait's names. The same names are waited for again and
// again: with a type table to compare against, each string of the library
// remembers its id (GSConstantStrings), and a memo of the current table is
// taken as it is.
class WaitTypeIds {
public:
    WaitTypeIds(const GSGameObjectServices& services, GSObject* owner, GSLibrary* library)
        : m_services(services), m_owner(owner), m_library(library) {
        if (library && services.typeTable && services.messageTypeIdMemo) {
            m_table = services.typeTable(owner);
            if (m_table) m_constants = &library->Constants();
        }
    }

    uint16_t Of(uint16_t index) const {
        if (m_constants && index < m_constants->Count()) {
            GSTypeIdMemo& memo = m_constants->Memo(index);
            if (memo.table == m_table) return memo.id;
            return m_services.messageTypeIdMemo(m_owner, TypeName(m_library, index), memo);
        }
        return m_services.messageTypeId(m_owner, TypeName(m_library, index));
    }

private:
    const GSGameObjectServices& m_services;
    GSObject* m_owner;
    GSLibrary* m_library;
    uint64_t m_table = 0;
    GSConstantStrings* m_constants = nullptr;
};

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
    if (!GSInRouter(owner) || !services.messageTypeId || !services.subscribeBlocks) return s.Raise(ER_ThreadError);

    thread.SetBlockCount(n);
    const uint8_t* pairs = table + 2;
    const uint8_t* handlers = pairs + 4 * n;
    const WaitTypeIds typeIds(services, owner, s.library);
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t* pair = pairs + 4 * i;
        const uint16_t majorIndex = static_cast<uint16_t>(pair[0] | (pair[1] << 8));
        const uint16_t minorIndex = static_cast<uint16_t>(pair[2] | (pair[3] << 8));
        GSThread::Block& block = thread.BlockAt(i);
        // Pairs often repeat a major (one per minor): the name is looked
        // up once.
        const bool sameMajor = i > 0 && pair[-4] == pair[0] && pair[-3] == pair[1];
        block.major = sameMajor ? thread.BlockAt(i - 1).major : typeIds.Of(majorIndex);
        block.minor = typeIds.Of(minorIndex);
        block.handler = GSCodeWord(handlers + 4 * i);
    }
    // The subscriptions change nothing the look-ups above see: they are
    // made together.
    if (n > 0) services.subscribeBlocks(owner, &thread.BlockAt(0), n);

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
