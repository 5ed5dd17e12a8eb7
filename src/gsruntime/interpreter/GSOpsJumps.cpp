// Jumps, comparison tests and the switch (opcodes 43 to 55 and 113). A
// taken jump or a switch charges the current run to the execution budget
// and then continues at code start + its target, where the next run
// starts; a jump not taken charges nothing.

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/interpreter/GSDispatchTable.h"
#include "gsruntime/interpreter/GSScalarOps.h"

namespace GSRuntime {

namespace {

namespace S = GSScalar;

// Charges the run that ends at the opcode before the operand just read and
// transfers to `target`.
bool Transfer(GSRunState& s, const uint8_t* opcode, uint32_t target) {
    if (!s.Charge(opcode)) return false;
    s.JumpTo(target);
    return true;
}

bool Jump(GSRunState& s) {
    const uint8_t* opcode = s.pc - 1;
    return Transfer(s, opcode, static_cast<uint32_t>(s.I32()));
}

// The conditional jumps: Test reads the value; Keep leaves it on the stack.
template <bool (*Test)(int32_t), bool Keep>
bool JumpIf(GSRunState& s) {
    const uint8_t* opcode = s.pc - 1;
    const uint32_t target = static_cast<uint32_t>(s.I32());
    const int32_t value = static_cast<int32_t>(Keep ? s.Top() : s.Pop());
    if (!Test(value)) return true;
    return Transfer(s, opcode, target);
}

bool IsZero(int32_t v) { return v == 0; }
bool IsNotZero(int32_t v) { return v != 0; }
bool Less(int32_t c) { return c < 0; }
bool LessEqual(int32_t c) { return c <= 0; }
bool Greater(int32_t c) { return c > 0; }
bool GreaterEqual(int32_t c) { return c >= 0; }

template <int32_t (*Test)(int32_t)>
bool IsTest(GSRunState& s) {
    s.Top() = static_cast<uint32_t>(Test(static_cast<int32_t>(s.Top())));
    return true;
}

// uint16 n; n int32 keys in ascending order; n int32 targets; one int32
// default. The popped value is looked up by binary search.
bool Switch(GSRunState& s) {
    const uint8_t* opcode = s.pc - 1;
    const uint8_t* table = s.pc;
    const int32_t n = static_cast<int32_t>(s.U16());
    const int32_t value = static_cast<int32_t>(s.Pop());
    auto word = [table](int32_t index) { return GSCodeWord(table + 2 + 4 * index); };
    int32_t target = word(2 * n);  // the default
    int32_t lo = 0;
    int32_t hi = n - 1;
    while (lo <= hi) {
        const int32_t mid = (lo + hi) / 2;
        const int32_t key = word(mid);
        if (key == value) {
            target = word(n + mid);
            break;
        }
        if (value < key)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return Transfer(s, opcode, static_cast<uint32_t>(target));
}

}  // namespace

void GSInstallJumpHandlers(GSOpHandler* table) {
    GSInstallChecked<OP_Jump, &Jump>(table);
    GSInstallChecked<OP_JumpIfZero, &JumpIf<IsZero, false>>(table);
    GSInstallChecked<OP_JumpIfNotZero, &JumpIf<IsNotZero, false>>(table);
    GSInstallChecked<OP_JumpIfZeroKeep, &JumpIf<IsZero, true>>(table);
    GSInstallChecked<OP_JumpIfNotZeroKeep, &JumpIf<IsNotZero, true>>(table);
    GSInstallChecked<OP_JumpIfLess, &JumpIf<Less, false>>(table);
    GSInstallChecked<OP_JumpIfLessEqual, &JumpIf<LessEqual, false>>(table);
    GSInstallChecked<OP_JumpIfGreater, &JumpIf<Greater, false>>(table);
    GSInstallChecked<OP_JumpIfGreaterEqual, &JumpIf<GreaterEqual, false>>(table);
    GSInstallChecked<OP_IsLess, &IsTest<S::IsLess>>(table);
    GSInstallChecked<OP_IsLessEqual, &IsTest<S::IsLessEqual>>(table);
    GSInstallChecked<OP_IsGreater, &IsTest<S::IsGreater>>(table);
    GSInstallChecked<OP_IsGreaterEqual, &IsTest<S::IsGreaterEqual>>(table);
    GSInstallChecked<OP_Switch, &Switch>(table);
}

}  // namespace GSRuntime
