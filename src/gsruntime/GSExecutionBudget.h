#pragma once
// The execution budget: the bytes of code that one outermost
// GSThread::Execute, together with every run nested in it, may charge at
// its transfers (GSInterpreter.h), and the charges of work beside them.
//
// Work whose cost grows with what a script hands over (the length of a
// text, the size of an array or list, the pixels of a picture) is charged
// to the execution budget of the running outermost run, beside the bytes
// of code the interpreter counts at its transfers. Without it a native or
// an instruction did unbounded work for the price of one call: a loop of
// them ran for days inside one budget.
//
// Work is counted in units of one byte of memory read or written (each
// caller documents how its work converts). A call of at most
// kGSFreeWorkUnits units charges nothing, so ordinary calls cost what they
// cost before; a larger one charges one budget byte per
// kGSWorkUnitsPerBudgetByte units, all of it. The interpreter raises
// ER_Timeout at the next transfer, and right after a native call that
// leaves the count past the budget (GSOpsCalls.cpp).
#include <cstdint>

namespace GSRuntime {

constexpr uint64_t kGSExecutionBudget = 0x1000000;

// The process-wide count of the current outermost run (every taken jump,
// call and return adds to it, so it is read and written inline).
inline uint64_t g_gsExecutedBytes = 0;

// Adds bytes to the process-wide count of the current outermost run and
// gives the new total.
inline uint64_t GSAddExecutedBytes(uint64_t bytes) { return g_gsExecutedBytes += bytes; }

// Work a single call may do without charge.
constexpr uint64_t kGSFreeWorkUnits = 1024;
// Units of work charged as one byte of the execution budget.
constexpr uint64_t kGSWorkUnitsPerBudgetByte = 16;

// True while the current outermost run is within its execution budget.
inline bool GSExecutionBudgetHolds() { return g_gsExecutedBytes <= kGSExecutionBudget; }

// Charges `units` of work done (or about to be done) by one call; true
// while the budget still holds, so that work of no fixed bound can stop.
inline bool GSChargeWork(uint64_t units) {
    if (units > kGSFreeWorkUnits) GSAddExecutedBytes(units / kGSWorkUnitsPerBudgetByte);
    return GSExecutionBudgetHolds();
}

// The work of one call counted as it goes, for work with no bound fixed in
// advance (comparisons of texts of any length): charged as GSChargeWork
// would charge the whole, in pieces of kPiece units, so that the caller
// can stop as soon as the budget runs out. What is left is charged when
// the meter goes.
class GSWorkMeter {
public:
    static constexpr uint64_t kPiece = 65536;

    GSWorkMeter() = default;
    ~GSWorkMeter() { Flush(); }
    GSWorkMeter(const GSWorkMeter&) = delete;
    GSWorkMeter& operator=(const GSWorkMeter&) = delete;

    // Counts `units`; false once the budget has run out.
    bool Add(uint64_t units) {
        m_units += units;
        return m_units - m_flushed < kPiece || Flush();
    }
    // Charges what is counted and not yet charged; true while the budget
    // holds.
    bool Flush() {
        m_flushed = m_units;
        if (m_units > kGSFreeWorkUnits) {
            const uint64_t due = m_units / kGSWorkUnitsPerBudgetByte;
            GSAddExecutedBytes(due - m_charged);
            m_charged = due;
        }
        return GSExecutionBudgetHolds();
    }

private:
    uint64_t m_units = 0;
    uint64_t m_flushed = 0;
    uint64_t m_charged = 0;
};

}  // namespace GSRuntime
