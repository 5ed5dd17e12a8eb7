#pragma once
// GSFunctionTable: numbers every loaded function record, so that 32-bit
// stack slots (the function word of a call frame's header) can name a
// function by index instead of by address. Index 0 names no function.
// A record gets its index when its library is loaded and gives it back when
// the library is deleted; an index is never handed out twice, so a stale
// index finds null, never another function. The script machine owns the
// one table.
#include <cstdint>
#include <vector>

namespace GSRuntime {

class GSFunction;

class GSFunctionTable {
public:
    GSFunctionTable() : m_functions(1, nullptr) {}

    // The index of a newly loaded record; 0 when no index is left.
    uint32_t Add(GSFunction* function);
    // Forgets the record of an index; later lookups of it give null. The
    // interpreter's call-site memory, which holds records by address, is
    // dropped.
    void Remove(uint32_t index);
    // The record of an index, or null.
    GSFunction* Get(uint32_t index) const {
        return index < m_functions.size() ? m_functions[index] : nullptr;
    }
    // Records currently numbered.
    uint32_t LiveCount() const { return m_live; }

    // The script machine's table once the machine is made (null before):
    // frame headers are read through it on every call and return.
    static const GSFunctionTable* MachineTable() { return s_machineTable; }
    static void SetMachineTable(const GSFunctionTable* table) { s_machineTable = table; }

private:
    std::vector<GSFunction*> m_functions;
    uint32_t m_live = 0;
    static inline const GSFunctionTable* s_machineTable = nullptr;
};

}  // namespace GSRuntime
