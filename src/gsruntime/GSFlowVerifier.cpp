#include "gsruntime/GSFlowVerifier.h"

#include <algorithm>

#include "gscompiler/GSTypes.h"
#include "gscompiler/bytecode/GSBytecode.h"

namespace GSRuntime {

namespace {

// Operand needs and results of the instructions whose stack effect is
// fixed, written "needs>results": one need per slot taken, deepest first
// ('r' a reference or 0, '*' anything); one result per slot left, 'V', 'R'
// or 'Z', or a digit for the kind of the taken slot it repeats. Locals,
// calls, returns, waits and members of `me` are handled on their own.
const char* KindRule(uint8_t opcode) {
    switch (opcode) {
        case OP_AddInt: case OP_SubInt: case OP_MulInt: case OP_DivInt: case OP_ModInt:
        case OP_CompareInt: case OP_AndInt: case OP_OrInt: case OP_XorInt: case OP_ShiftLeft:
        case OP_ShiftRight: case OP_AddFloat: case OP_SubFloat: case OP_MulFloat: case OP_DivFloat:
        case OP_ModFloat: case OP_CompareFloat:
            return "**>V";
        case OP_NegInt: case OP_IncInt: case OP_DecInt: case OP_IntToFloat: case OP_NotInt:
        case OP_ComplementInt: case OP_NegFloat: case OP_IncFloat: case OP_DecFloat: case OP_FloatToInt:
        case OP_NotFloat: case OP_IsLess: case OP_IsLessEqual: case OP_IsGreater: case OP_IsGreaterEqual:
        case OP_NotZero:
            return "*>V";
        case OP_PushZero: return ">Z";
        case OP_PushOne: return ">V";
        case OP_Pop: return "*>";
        case OP_PopRef: return "r>";
        case OP_Dup: return "*>00";
        case OP_DupRef: return "r>00";
        case OP_DupPairRef: return "r*>0101";
        case OP_Swap: return "**>10";
        case OP_Jump: return ">";
        case OP_JumpIfZero: case OP_JumpIfNotZero: case OP_JumpIfLess: case OP_JumpIfLessEqual:
        case OP_JumpIfGreater: case OP_JumpIfGreaterEqual: case OP_Switch:
            return "*>";
        case OP_JumpIfZeroKeep: case OP_JumpIfNotZeroKeep: return "*>0";
        case OP_NewArray: case OP_NewRefArray: return "*>R";
        case OP_ArraySize: return "r>V";
        case OP_ArrayCopy: return "r>R";
        case OP_ArrayGet: return "r*>V";
        case OP_ArraySet: return "r**>";
        case OP_ArraySetKeep: return "r**>2";
        case OP_ArrayGetRef: return "r*>R";
        case OP_ArraySetRef: return "r*r>";
        case OP_ArraySetRefKeep: return "r*r>2";
        case OP_ArraySlice: case OP_RefArraySlice: return "r**>R";
        case OP_ArraySetRange: case OP_RefArraySetRange: return "r**r>";
        case OP_ArraySetRangeKeep: case OP_RefArraySetRangeKeep: return "r**r>3";
        case OP_NewString: case OP_PushString: return ">R";
        case OP_IntToString: case OP_BoolToString: case OP_FloatToString: return "*>R";
        case OP_StringCopy: return "r>R";
        case OP_StringSize: return "r>V";
        case OP_StringGet: return "r*>V";
        case OP_StringSet: return "r**>";
        case OP_StringSetKeep: return "r**>2";
        case OP_StringSlice: return "r**>R";
        case OP_StringSetRange: return "r**r>";
        case OP_StringSetRangeKeep: return "r**r>3";
        case OP_CompareString: return "rr>V";
        case OP_ConcatString: return "rr>R";
        case OP_IsClass: return "r>V";
        case OP_NewObject: case OP_PushStatic: return ">R";
        case OP_Cast: return "r>R";
        case OP_RefNotEqual: return "rr>V";
        case OP_IsNull: case OP_IsNotNull: return "r>V";
        case OP_LoadMember: return "r>V";
        case OP_LoadMemberRef: return "r>R";
        case OP_StoreMember: return "r*>";
        case OP_StoreMemberKeep: return "r*>1";
        case OP_StoreMemberRef: return "rr>";
        case OP_StoreMemberRefKeep: return "rr>1";
        case OP_LoadMyMember: return ">V";
        case OP_LoadMyMemberRef: return ">R";
        case OP_StoreMyMember: return "*>";
        case OP_StoreMyMemberRef: return "r>";
        case OP_StoreMyMemberKeep: return "*>0";
        case OP_StoreMyMemberRefKeep: return "r>0";
        default:
            return nullptr;
    }
}

bool IsReferenceLike(uint8_t kind) { return kind == kGSKindReference || kind == kGSKindZero; }

uint8_t Meet(uint8_t a, uint8_t b) {
    if (a == b) return a;
    // A call's result stays one only where every path has it in its slot.
    if (a == kGSKindCallResult || b == kGSKindCallResult) return kGSKindMixed;
    if (a == kGSKindZero) return b;
    if (b == kGSKindZero) return a;
    return kGSKindMixed;
}

// What a slot's kind is once the value moves out of the slot a call left
// it in: the interpreter keeps the shapes of call results only there.
uint8_t PlainKind(uint8_t kind) { return kind == kGSKindCallResult ? uint8_t(kGSKindMixed) : kind; }

bool IsCall(uint8_t opcode) {
    return opcode == OP_Call || opcode == OP_CallNative || opcode == OP_CallThread || opcode == OP_CallBase;
}

struct State {
    bool set = false;
    std::vector<uint8_t> stack;
    std::vector<uint8_t> locals;
};

// One run of the path analysis with a result chosen (or not yet) for each
// call site.
class FlowAnalysis {
public:
    FlowAnalysis(const GSFlowInput& input, const std::vector<GSInstruction>& instructions,
                 const std::vector<int32_t>& indexAt, const std::vector<int32_t>& siteOf)
        : m_in(input), m_instructions(instructions), m_indexAt(indexAt), m_siteOf(siteOf) {}

    struct Outcome {
        bool ok = true;
        uint32_t fault = 0;
        int32_t openSite = -1;  // a call site reached whose result is not chosen
    };

    // `shapes`: per call site 0 (not chosen) or one shape bit. Fills the
    // argument kinds of every site reached.
    Outcome Run(const std::vector<uint8_t>& shapes, std::vector<std::vector<uint8_t>>* argumentKinds) {
        m_states.assign(m_instructions.size(), State());
        m_outcome = Outcome();
        m_maxDepth = 0;
        m_work.clear();
        m_queued.assign(m_instructions.size(), false);
        State entry;
        entry.locals.assign(m_in.localSlots, kGSKindZero);
        for (uint32_t i = 0; i < m_in.localSlots; ++i) {
            if (m_in.referenceLocals[i])
                entry.locals[i] = kGSKindReference;
            else if (i < m_in.argumentSlots)
                entry.locals[i] = kGSKindValue;
        }
        Reach(0, entry);
        while (m_outcome.ok && !m_work.empty()) {
            const uint32_t index = m_work.back();
            m_work.pop_back();
            m_queued[index] = false;
            Step(index, shapes, argumentKinds);
        }
        return m_outcome;
    }

    // The deepest operand stack of the last run, over every state reached.
    std::size_t MaxDepth() const { return m_maxDepth; }

    // Meets the operand-stack kinds the last run found at each instruction
    // of `points` into `kinds` (`reached`: which have kinds yet). Runs that
    // differ in depth there (a call taking a result of another depth) agree
    // on no slot above the shallower stack.
    void MeetStackKinds(const std::vector<uint32_t>& points, std::vector<std::vector<uint8_t>>& kinds,
                        std::vector<bool>& reached) const {
        for (std::size_t k = 0; k < points.size(); ++k) {
            const State& at = m_states[points[k]];
            if (!at.set) continue;
            std::vector<uint8_t>& known = kinds[k];
            if (!reached[k]) {
                known = at.stack;
                reached[k] = true;
                continue;
            }
            const std::size_t common = std::min(known.size(), at.stack.size());
            for (std::size_t i = 0; i < common; ++i) known[i] = Meet(known[i], at.stack[i]);
            for (std::size_t i = common; i < known.size(); ++i) known[i] = kGSKindMixed;
            known.resize(std::max(known.size(), at.stack.size()), kGSKindMixed);
        }
    }

    // Sites whose result may be a value or a reference: while set, their
    // result is pushed as kGSKindCallResult (for the argument kinds only).
    void SetEitherResultSites(std::vector<bool> sites) { m_eitherResult = std::move(sites); }

private:
    bool Fail(uint32_t offset) {
        if (m_outcome.ok) {
            m_outcome.ok = false;
            m_outcome.fault = offset;
        }
        return false;
    }

    // Joins `state` into the state at instruction `index`.
    void Reach(uint32_t index, const State& state) {
        if (state.stack.size() > m_maxDepth) m_maxDepth = state.stack.size();
        State& at = m_states[index];
        bool changed = false;
        if (!at.set) {
            at = state;
            at.set = true;
            changed = true;
        } else {
            if (at.stack.size() != state.stack.size()) {
                Fail(m_instructions[index].offset);
                return;
            }
            for (std::size_t i = 0; i < at.stack.size(); ++i) {
                const uint8_t kind = Meet(at.stack[i], state.stack[i]);
                changed |= kind != at.stack[i];
                at.stack[i] = kind;
            }
            for (std::size_t i = 0; i < at.locals.size(); ++i) {
                const uint8_t kind = Meet(at.locals[i], state.locals[i]);
                changed |= kind != at.locals[i];
                at.locals[i] = kind;
            }
        }
        if (changed && !m_queued[index]) {
            m_queued[index] = true;
            m_work.push_back(index);
        }
    }

    void ReachOffset(uint32_t from, int64_t target, const State& state) {
        if (target < 0 || target >= int64_t(m_in.length) || m_indexAt[static_cast<std::size_t>(target)] < 0) {
            Fail(from);
            return;
        }
        Reach(static_cast<uint32_t>(m_indexAt[static_cast<std::size_t>(target)]), state);
    }

    void Step(uint32_t index, const std::vector<uint8_t>& shapes, std::vector<std::vector<uint8_t>>* argumentKinds) {
        const GSInstruction& in = m_instructions[index];
        State s = m_states[index];
        std::vector<uint8_t>& stack = s.stack;
        const uint32_t next = index + 1;
        const uint32_t slot = static_cast<uint32_t>(in.first);
        auto pop = [&](uint8_t& kind) {
            if (stack.empty()) return Fail(in.offset);
            kind = stack.back();
            stack.pop_back();
            return true;
        };
        auto fallThrough = [&]() {
            if (next >= m_instructions.size()) {
                Fail(in.offset);
                return;
            }
            Reach(next, s);
        };
        const bool referenceLocal = slot < m_in.localSlots && m_in.referenceLocals[slot];

        switch (in.opcode) {
            case OP_PushConst:
                stack.push_back(in.first == 0 ? kGSKindZero : kGSKindValue);
                return fallThrough();
            case OP_LoadLocal:
                // A plain load copies without a count. From a reference local
                // (`me` included) the copy would be a second, uncounted owner
                // of the frame's count; from a temporary it moves the
                // reference out, so the temporary no longer holds one.
                if (referenceLocal) return void(Fail(in.offset));
                stack.push_back(PlainKind(s.locals[slot]));
                if (s.locals[slot] == kGSKindReference) s.locals[slot] = kGSKindMixed;
                return fallThrough();
            case OP_LoadLocalRef:
                // Adds a count: the local must hold a reference.
                if (!IsReferenceLike(s.locals[slot])) return void(Fail(in.offset));
                stack.push_back(s.locals[slot]);
                return fallThrough();
            case OP_StoreLocal:
            case OP_StoreLocalKeep:
            case OP_StoreLocalRef:
            case OP_StoreLocalRefKeep: {
                uint8_t kind = 0;
                if (!pop(kind)) return;
                const bool counted = in.opcode == OP_StoreLocalRef || in.opcode == OP_StoreLocalRefKeep;
                // A counted store releases the old local and needs a
                // reference; a reference local never takes a value.
                if (counted && (!IsReferenceLike(kind) || !IsReferenceLike(s.locals[slot])))
                    return void(Fail(in.offset));
                // Reference locals are written by the counted stores only:
                // the frame releases what they hold when it ends.
                if (referenceLocal && !counted) return void(Fail(in.offset));
                // A plain keep-store leaves the value, and its count, on the
                // stack: the local's copy is not a reference of its own.
                if (!referenceLocal)
                    s.locals[slot] = in.opcode == OP_StoreLocalKeep && PlainKind(kind) == kGSKindReference
                                         ? uint8_t(kGSKindMixed)
                                         : PlainKind(kind);
                if (in.opcode == OP_StoreLocalKeep || in.opcode == OP_StoreLocalRefKeep) stack.push_back(PlainKind(kind));
                return fallThrough();
            }
            case OP_Return:
            case OP_ReturnValue:
            case OP_ReturnRef: {
                uint8_t shape = kGSShapeNothing;
                if (in.opcode != OP_Return) {
                    uint8_t kind = 0;
                    if (!pop(kind)) return;
                    shape = in.opcode == OP_ReturnRef ? kGSShapeReference : kGSShapeValue;
                    if (in.opcode == OP_ReturnRef && !IsReferenceLike(kind)) return void(Fail(in.offset));
                }
                if (shape != m_in.resultShape || !stack.empty()) Fail(in.offset);
                return;
            }
            case OP_Wait: {
                State handler = s;
                handler.stack.push_back(kGSKindReference);
                for (uint32_t i = 0; i < slot && m_outcome.ok; ++i)
                    ReachOffset(in.offset, GSWaitHandler(m_in.code, in, i), handler);
                return;
            }
            default:
                break;
        }

        if (IsCall(in.opcode)) {
            // The target and the arguments: the slot `depth` below the top
            // and the slots above it.
            const int32_t depth = in.first;
            if (depth > 0 || int64_t(stack.size()) + depth < 1) return void(Fail(in.offset));
            const std::size_t target = stack.size() - 1 + static_cast<std::size_t>(int64_t(depth));
            if (!IsReferenceLike(stack[target])) return void(Fail(in.offset));
            const int32_t site = m_siteOf[index];
            if (argumentKinds) {
                std::vector<uint8_t> kinds(stack.begin() + static_cast<std::ptrdiff_t>(target) + 1, stack.end());
                std::vector<uint8_t>& known = (*argumentKinds)[static_cast<std::size_t>(site)];
                if (known.empty() || known.size() != kinds.size()) {
                    known = kinds;
                } else {
                    for (std::size_t i = 0; i < kinds.size(); ++i) known[i] = Meet(known[i], kinds[i]);
                }
            }
            stack.resize(target);
            const uint8_t shape =
                in.opcode == OP_CallThread ? uint8_t(kGSShapeNothing) : shapes[static_cast<std::size_t>(site)];
            if (shape == 0) {
                if (m_outcome.openSite < 0) m_outcome.openSite = site;
                return;
            }
            const bool either = static_cast<std::size_t>(site) < m_eitherResult.size() && m_eitherResult[site];
            if (shape != kGSShapeNothing && either) {
                stack.push_back(kGSKindCallResult);
            } else {
                if (shape == kGSShapeValue) stack.push_back(kGSKindValue);
                if (shape == kGSShapeReference) stack.push_back(kGSKindReference);
            }
            return fallThrough();
        }

        // Slots 0 and 1 of every view are its fixed slots (its offset and
        // its method-table start), never a member.
        if (GSInstructionInfoOf(in.opcode)->operands == GSOperands::MemberSlot && slot < 2)
            return void(Fail(in.offset));
        const char* rule = KindRule(in.opcode);
        if (!rule) return void(Fail(in.offset));
        const char* results = rule;
        while (*results != '>') ++results;
        const std::size_t needs = static_cast<std::size_t>(results - rule);
        ++results;
        if (stack.size() < needs) return void(Fail(in.offset));
        uint8_t taken[4] = {0, 0, 0, 0};
        const std::size_t base = stack.size() - needs;
        for (std::size_t i = 0; i < needs; ++i) {
            taken[i] = stack[base + i];
            if (rule[i] == 'r' && !IsReferenceLike(taken[i])) return void(Fail(in.offset));
        }
        // A plain copy of a reference would be a second owner of one count.
        if ((in.opcode == OP_Dup && taken[0] == kGSKindReference) ||
            (in.opcode == OP_DupPairRef && taken[1] == kGSKindReference))
            return void(Fail(in.offset));
        stack.resize(base);
        for (const char* r = results; *r; ++r) {
            switch (*r) {
                case 'V': stack.push_back(kGSKindValue); break;
                case 'R': stack.push_back(kGSKindReference); break;
                case 'Z': stack.push_back(kGSKindZero); break;
                // A copied slot is no longer the slot the call wrote.
                default: stack.push_back(PlainKind(taken[*r - '0'])); break;
            }
        }
        const GSInstructionInfo* info = GSInstructionInfoOf(in.opcode);
        if (in.opcode == OP_Switch) {
            for (uint32_t i = 0; i < slot && m_outcome.ok; ++i) ReachOffset(in.offset, GSSwitchTarget(m_in.code, in, i), s);
            ReachOffset(in.offset, GSSwitchDefault(m_in.code, in), s);
            return;
        }
        if (info->flags & kGSBranch) ReachOffset(in.offset, static_cast<uint32_t>(in.first), s);
        if (info->flags & kGSNoFallThrough) return;
        fallThrough();
    }

    const GSFlowInput& m_in;
    const std::vector<GSInstruction>& m_instructions;
    const std::vector<int32_t>& m_indexAt;
    const std::vector<int32_t>& m_siteOf;
    std::vector<State> m_states;
    std::vector<uint32_t> m_work;
    std::vector<bool> m_queued;
    Outcome m_outcome;
    std::size_t m_maxDepth = 0;
    std::vector<bool> m_eitherResult;
};

// Upper bound on path analyses per function while results are searched.
constexpr int kSearchBudget = 4096;
// Upper bound on call sites x instructions for trying the other results of
// each site once one combination is found.
constexpr uint64_t kWideningBudget = 4000000;

class ShapeSearch {
public:
    ShapeSearch(FlowAnalysis& analysis, std::vector<uint8_t>& shapes) : m_analysis(analysis), m_shapes(shapes) {}

    // True when every call site got a result under which the whole code
    // checks out; `fault` is the last failure seen otherwise.
    bool Solve() {
        if (++m_runs > kSearchBudget) return false;
        const FlowAnalysis::Outcome outcome = m_analysis.Run(m_shapes, nullptr);
        if (!outcome.ok) {
            fault = outcome.fault;
            return false;
        }
        if (outcome.openSite < 0) return true;
        const std::size_t site = static_cast<std::size_t>(outcome.openSite);
        for (uint8_t shape : {kGSShapeNothing, kGSShapeValue, kGSShapeReference}) {
            m_shapes[site] = shape;
            if (Solve()) return true;
            if (m_runs > kSearchBudget) break;
        }
        m_shapes[site] = 0;
        return false;
    }

    uint32_t fault = 0;

private:
    FlowAnalysis& m_analysis;
    std::vector<uint8_t>& m_shapes;
    int m_runs = 0;
};

// The instructions (indices, in offset order) at which a frame can stand
// while its thread is paused: the one after each call that returns to it
// (a thread start does not leave the frame), each message wait and the
// handlers a wait names.
std::vector<uint32_t> PausePoints(const GSFlowInput& input, const std::vector<GSInstruction>& instructions,
                                  const std::vector<int32_t>& indexAt) {
    std::vector<uint32_t> points;
    for (uint32_t index = 0; index < instructions.size(); ++index) {
        const GSInstruction& in = instructions[index];
        if (IsCall(in.opcode) && in.opcode != OP_CallThread && index + 1 < instructions.size()) points.push_back(index + 1);
        if (in.opcode != OP_Wait) continue;
        points.push_back(index);
        for (uint32_t i = 0; i < static_cast<uint32_t>(in.first); ++i) {
            const int64_t target = GSWaitHandler(input.code, in, i);
            if (target >= 0 && target < int64_t(input.length) && indexAt[static_cast<std::size_t>(target)] >= 0)
                points.push_back(static_cast<uint32_t>(indexAt[static_cast<std::size_t>(target)]));
        }
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

// Operand-stack slots a result leaves: none for nothing, one otherwise.
int32_t SlotsOf(uint8_t shape) { return shape == kGSShapeNothing ? 0 : 1; }

}  // namespace

uint8_t GSResultShapeOf(uint32_t typeCode) {
    if (typeCode == kGSTypeVoid) return kGSShapeNothing;
    if (typeCode == kGSTypeBool || typeCode == kGSTypeInt || typeCode == kGSTypeFloat) return kGSShapeValue;
    return kGSShapeReference;
}

bool GSVerifyFlow(const GSFlowInput& input, std::vector<GSCallContract>& contracts, uint32_t* faultOffset,
                  int32_t* maxDepth, GSPauseSlots* pauses) {
    if (pauses) *pauses = GSPauseSlots();
    contracts.clear();
    if (maxDepth) *maxDepth = 0;
    auto fail = [&](uint32_t offset) {
        if (faultOffset) *faultOffset = offset;
        contracts.clear();
        return false;
    };
    if (input.length == 0) return true;
    if (!input.code || input.referenceLocals.size() != input.localSlots || input.localSlots == 0 ||
        !input.referenceLocals[0])
        return fail(0);

    std::vector<GSInstruction> instructions;
    std::vector<int32_t> indexAt(input.length, -1);
    std::vector<int32_t> siteOf;
    std::vector<uint32_t> siteOffsets;
    for (uint32_t offset = 0; offset < input.length;) {
        GSInstruction in;
        if (!GSDecodeInstruction(input.code, input.length, offset, in)) return fail(offset);
        const GSOperands operands = GSInstructionInfoOf(in.opcode)->operands;
        if (operands == GSOperands::LocalSlot && static_cast<uint32_t>(in.first) >= input.localSlots)
            return fail(offset);
        indexAt[offset] = static_cast<int32_t>(instructions.size());
        siteOf.push_back(IsCall(in.opcode) ? static_cast<int32_t>(siteOffsets.size()) : -1);
        if (IsCall(in.opcode)) siteOffsets.push_back(offset);
        instructions.push_back(in);
        offset += in.length;
    }

    FlowAnalysis analysis(input, instructions, indexAt, siteOf);
    std::vector<uint8_t> shapes(siteOffsets.size(), 0);
    ShapeSearch search(analysis, shapes);
    if (!search.Solve()) return fail(search.fault);

    // A site takes every result under which the code checks out with the
    // others as found (a value or a reference left for a plain pop, say).
    // (Two more runs per site: skipped for very large functions, whose
    // sites then take the result found only.)
    //
    // Each other result is checked with the other sites as found, so a
    // result that changes the depth is only sound while no other site
    // changes it too: when two or more sites would take a result of another
    // depth, those results are not taken (the code was never followed with
    // both, and the interpreter trusts the depths). The deepest stack of
    // every run whose results are taken bounds the frame's operand stack.
    std::vector<uint8_t> accepted(shapes);
    std::vector<std::size_t> depthOf(shapes.size(), 0);  // deepest run with another depth
    std::vector<bool> changesAt(shapes.size(), false);
    const bool widen = uint64_t(shapes.size()) * instructions.size() <= kWideningBudget;
    std::size_t deepest = 0;
    std::size_t deepestSameDepth = 0;
    std::size_t depthChanging = 0;
    for (std::size_t site = 0; widen && site < shapes.size(); ++site) {
        if (instructions[static_cast<std::size_t>(indexAt[siteOffsets[site]])].opcode == OP_CallThread) continue;
        const uint8_t chosen = shapes[site];
        bool changes = false;
        for (uint8_t other : {kGSShapeNothing, kGSShapeValue, kGSShapeReference}) {
            if (other == chosen) continue;
            shapes[site] = other;
            if (analysis.Run(shapes, nullptr).ok) {
                accepted[site] |= other;
                if (SlotsOf(other) != SlotsOf(chosen)) {
                    changes = true;
                    depthOf[site] = std::max(depthOf[site], analysis.MaxDepth());
                } else {
                    deepestSameDepth = std::max(deepestSameDepth, analysis.MaxDepth());
                }
            }
        }
        if (changes) {
            changesAt[site] = true;
            ++depthChanging;
        }
        shapes[site] = chosen;
    }
    for (std::size_t site = 0; site < shapes.size(); ++site) {
        if (!changesAt[site]) continue;
        if (depthChanging > 1) {
            // Keep only the results of the chosen depth.
            uint8_t kept = 0;
            for (uint8_t shape : {kGSShapeNothing, kGSShapeValue, kGSShapeReference})
                if ((accepted[site] & shape) && SlotsOf(shape) == SlotsOf(shapes[site])) kept |= shape;
            accepted[site] = kept;
        } else {
            deepest = std::max(deepest, depthOf[site]);
        }
    }
    deepest = std::max(deepest, deepestSameDepth);

    // The instructions at which a paused thread's frame can stand, and the
    // kinds of their operand stacks, met over the runs the argument kinds
    // come from.
    std::vector<uint32_t> pausePoints;
    if (pauses) pausePoints = PausePoints(input, instructions, indexAt);
    std::vector<std::vector<uint8_t>> pauseKinds(pausePoints.size());
    std::vector<bool> pauseReached(pausePoints.size(), false);

    std::vector<std::vector<uint8_t>> argumentKinds(siteOffsets.size());
    analysis.Run(shapes, &argumentKinds);
    deepest = std::max(deepest, analysis.MaxDepth());
    analysis.MeetStackKinds(pausePoints, pauseKinds, pauseReached);
    // Sites that take a value as well as a reference: an argument that is
    // their result is recorded as such, so that the interpreter checks what
    // the call really returned instead of the kind found first. When that
    // run does not check out, the kinds found first stand.
    std::vector<bool> either(shapes.size(), false);
    bool anyEither = false;
    for (std::size_t site = 0; site < shapes.size(); ++site) {
        const uint8_t both = kGSShapeValue | kGSShapeReference;
        either[site] = (accepted[site] & both) == both;
        anyEither |= either[site];
    }
    if (anyEither) {
        std::vector<std::vector<uint8_t>> withResults(siteOffsets.size());
        analysis.SetEitherResultSites(either);
        if (analysis.Run(shapes, &withResults).ok) {
            argumentKinds = std::move(withResults);
            // The same run with those results marked as such: it replaces
            // the kinds of the run with the results found first.
            pauseReached.assign(pausePoints.size(), false);
            analysis.MeetStackKinds(pausePoints, pauseKinds, pauseReached);
        } else {
            analysis.SetEitherResultSites({});
            // Without the marks, a slot is a reference only if it is one
            // under each result those sites take.
            for (std::size_t site = 0; site < shapes.size() && !pausePoints.empty(); ++site) {
                if (!either[site]) continue;
                const uint8_t chosen = shapes[site];
                shapes[site] = chosen == kGSShapeValue ? kGSShapeReference : kGSShapeValue;
                if (analysis.Run(shapes, nullptr).ok) analysis.MeetStackKinds(pausePoints, pauseKinds, pauseReached);
                shapes[site] = chosen;
            }
        }
    }
    // A result of another depth taken by a site (at most one site takes
    // one) moves every slot below it: the calls after it then find other
    // slots as their arguments. Their argument kinds must hold for that
    // result too, so the kinds of the runs with it are met with those
    // found; a result whose run does not check out here is not taken.
    for (std::size_t site = 0; site < shapes.size(); ++site) {
        if (!changesAt[site] || depthChanging > 1) continue;
        const uint8_t chosen = shapes[site];
        for (uint8_t other : {kGSShapeNothing, kGSShapeValue, kGSShapeReference}) {
            if (!(accepted[site] & other) || SlotsOf(other) == SlotsOf(chosen)) continue;
            shapes[site] = other;
            std::vector<std::vector<uint8_t>> merged(argumentKinds);
            if (analysis.Run(shapes, &merged).ok) {
                argumentKinds = std::move(merged);
                analysis.MeetStackKinds(pausePoints, pauseKinds, pauseReached);
            } else {
                accepted[site] &= static_cast<uint8_t>(~other);
            }
        }
        shapes[site] = chosen;
    }
    analysis.SetEitherResultSites({});
    if (maxDepth) *maxDepth = static_cast<int32_t>(std::min<std::size_t>(deepest, 0x7fffffff));
    for (std::size_t site = 0; site < siteOffsets.size(); ++site) {
        const GSInstruction& in = instructions[static_cast<std::size_t>(indexAt[siteOffsets[site]])];
        GSCallContract contract;
        contract.offset = siteOffsets[site];
        contract.shapes = in.opcode == OP_CallThread ? uint8_t(kGSShapeNothing | kGSShapeValue | kGSShapeReference)
                                                     : accepted[site];
        contract.argumentKinds = argumentKinds[site];
        // A site no path reaches keeps no arguments: nothing calls from it.
        if (contract.argumentKinds.size() != static_cast<std::size_t>(-int64_t(in.first))) {
            contract.argumentKinds.assign(static_cast<std::size_t>(-int64_t(in.first)), kGSKindMixed);
        }
        contracts.push_back(std::move(contract));
    }
    if (pauses) {
        std::vector<uint16_t> slots;
        for (std::size_t k = 0; k < pausePoints.size(); ++k) {
            slots.clear();
            for (std::size_t i = 0; i < pauseKinds[k].size(); ++i) {
                if (pauseKinds[k][i] == kGSKindReference) slots.push_back(static_cast<uint16_t>(i));
                if (pauseKinds[k][i] == kGSKindCallResult)
                    slots.push_back(static_cast<uint16_t>(i | GSPauseSlots::kCallResult));
            }
            pauses->Add(instructions[pausePoints[k]].offset, slots);
        }
        pauses->ShrinkToFit();
    }
    return true;
}

}  // namespace GSRuntime
