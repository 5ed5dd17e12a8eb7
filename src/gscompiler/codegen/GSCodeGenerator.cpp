#include "gscompiler/codegen/GSCodeGenerator.h"

#include <algorithm>
#include <new>
#include <string>

#include "gscompiler/GSClassSymbol.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSSymbol.h"
#include "gscompiler/bytecode/GSBytecode.h"
#include "gscompiler/codegen/GSCClass.h"
#include "gscompiler/codegen/GSCFunction.h"
#include "gscompiler/codegen/GSCodeEmitter.h"
#include "gscompiler/codegen/GSCodeTypes.h"

using namespace GSCodeTypes;
using GSCompiler::GSCClass;
using GSCompiler::GSCFunction;
using GSCompiler::GSSymbol;

namespace {

// Flag of a function symbol declared by a prototype that no definition has
// completed.
constexpr uint32_t kPrototypeFlag = 0x2000000;

// Slot numbers travel as 16-bit instruction operands, and the library
// widens the 16-bit numbers of reference slots, members and functions with
// sign: a slot must be below 32768 to mean the same everywhere.
constexpr int64_t kSlotLimit = 0x8000;
// Words of the frame header, which follows the local area.
constexpr int64_t kFrameHeaderWords = 4;

// Counts the statements of `kind` in a statement list and everything nested
// in it that are bound to `owner`.
uint32_t CountBound(const GSCNode* list, int32_t kind, const GSCNode* owner) {
    uint32_t count = 0;
    for (const GSCNode* node = list; node; node = node->next) {
        if (node->category != kGSStatement) continue;
        if (node->kind == kind && node->Bound() == owner) count += 1;
        for (const GSCNode* child : node->children) count += CountBound(child, kind, owner);
    }
    return count;
}

}  // namespace

bool GSCodeGenerator::GenerateClassDeclaration(GSCompileContext& unit, GSCompiler::GSCClassList& classes,
                                               GSCNode* declaration) {
    m_unit = &unit;
    m_classes = &classes;
    m_class = nullptr;
    m_function = nullptr;
    m_labels.Clear();
    std::fill(std::begin(m_temporaries), std::end(m_temporaries), false);
    m_jumpLabels.clear();
    m_switches.clear();
    m_waits.clear();
    const bool ok = Generate(declaration, nullptr);
    m_class = nullptr;
    m_function = nullptr;
    return ok;
}

bool GSCodeGenerator::Generate(GSCNode* list, GSCodeEmitter* emitter) {
    if (list && m_function) m_function->currentLine = list->line;
    for (GSCNode* node = list; node; node = node->next) {
        switch (node->category) {
            case kGSDeclaration:
                if (!GenerateDeclaration(node, emitter)) return false;
                break;
            case kGSStatement:
                if (!emitter || !GenerateStatement(node, emitter)) return false;
                break;
            case kGSExpression: {
                if (!emitter || !GenerateExpression(node, emitter)) return false;
                if ((node->flags & kGSNodeUnused) && !(node->flags & kGSNodeHandled)) {
                    if (IsReferenceType(node->typeCode))
                        emitter->Emit(OP_PopRef);
                    else if (node->typeCode != kGSTypeVoid && node->typeCode != kGSTypeNone)
                        emitter->Emit(OP_Pop);
                }
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

int32_t GSCodeGenerator::AllocTemporary() {
    for (int32_t i = 0; i < kTemporaryCount; ++i) {
        if (m_temporaries[i]) continue;
        if (m_function) {
            m_temporaries[i] = true;
            GSCompiler::GSFunctionSymbol* symbol = m_function->symbol;
            symbol->highestTemporary = std::max(symbol->highestTemporary, i);
            m_function->temporariesUsed = true;
            return symbol->argumentSlotCount + symbol->localCount + i;
        }
        if (m_class) {
            m_temporaries[i] = true;
            m_class->highestTemporary = std::max(m_class->highestTemporary, i);
            m_class->temporariesUsed = true;
            return 1 + i;
        }
        return -1;
    }
    return -1;
}

void GSCodeGenerator::FreeTemporary(int32_t slot) {
    int32_t base = 1;
    if (m_function) base = m_function->symbol->argumentSlotCount + m_function->symbol->localCount;
    const int32_t i = slot - base;
    if (i >= 0 && i < kTemporaryCount) m_temporaries[i] = false;
}

void GSCodeGenerator::ReportNoTemporary(const GSCNode* node) {
    const int32_t line = node ? node->line : 0;
    m_unit->mainUnit.Report(true, false, line, "expression needs more than %d temporaries, line %d", kTemporaryCount,
                            line);
}

bool GSCodeGenerator::FrameFits(const GSCFunction* function, const char* name, const GSCNode* node) {
    const GSCompiler::GSFunctionSymbol* symbol = function->symbol;
    const int64_t slots = int64_t(symbol->argumentSlotCount) + function->LocalAreaSize() + kFrameHeaderWords;
    if (slots <= kSlotLimit) return true;
    const int32_t line = node ? node->line : 0;
    m_unit->mainUnit.Report(true, false, line, "function %s needs %lld frame slots, more than %lld, line %d",
                            name, static_cast<long long>(slots),
                            static_cast<long long>(kSlotLimit), line);
    return false;
}

bool GSCodeGenerator::ClassFits(const GSCompiler::GSClassSymbol* cls, const GSCNode* node) {
    const int64_t data = int64_t(cls->dataBase) + cls->ownMemberCount;
    const int64_t functions = int64_t(cls->functionBase) + cls->ownFunctionCount;
    if (data <= kSlotLimit && functions <= kSlotLimit) return true;
    const int32_t line = node ? node->line : 0;
    m_unit->mainUnit.Report(true, false, line, "class %s needs more than %lld %s slots, line %d",
                            cls->name ? cls->name : "", static_cast<long long>(kSlotLimit),
                            data > kSlotLimit ? "member" : "function", line);
    return false;
}

bool GSCodeGenerator::ClassOperand(const char* className, uint16_t& operand) {
    if (!className) return false;
    GSSymbol* symbol = m_unit->symbols.Find(className, nullptr, false, false);
    if (!symbol || symbol->kind != GSSymbol::kClass || symbol->index < 0 || symbol->index > 0xFFFF) return false;
    operand = static_cast<uint16_t>(symbol->index);
    return true;
}

bool GSCodeGenerator::StringOperand(const char* text, uint16_t& operand) {
    const uint32_t index = m_unit->StringIndex(text);
    if (index > 0xFFFF) {
        m_unit->mainUnit.Log("String table full: more than 65536 texts in one library.");
        return false;
    }
    operand = static_cast<uint16_t>(index);
    return true;
}

// ---- declarations ----

bool GSCodeGenerator::GenerateDeclaration(GSCNode* node, GSCodeEmitter* emitter) {
    switch (node->kind) {
        case kGSDeclClass:
            return GenerateClass(node);
        case kGSDeclFunction:
        case kGSDeclPrototype:
            return GenerateFunction(node);
        case kGSDeclVariables:
            return GenerateVariables(node, emitter);
        default:
            return true;  // includes, and parts handled by their owners
    }
}

bool GSCodeGenerator::GenerateClass(GSCNode* node) {
    const GSCNode* name = node->children[0];
    GSSymbol* symbol = name ? m_unit->symbols.Find(name->Text(), nullptr, false, false) : nullptr;
    if (!symbol || symbol->kind != GSSymbol::kClass) return false;
    auto* cls = new (std::nothrow) GSCClass(static_cast<GSCompiler::GSClassSymbol*>(symbol), m_unit);
    if (!cls) return false;
    m_classes->AddTail(cls);
    if (!ClassFits(cls->symbol, node)) return false;
    m_class = cls;
    std::fill(std::begin(m_temporaries), std::end(m_temporaries), false);
    bool ok = Generate(node->children[2], &cls->initEmitter);
    if (ok && !cls->initEmitter.IsEmpty()) cls->initEmitter.Emit(OP_Return);
    ok = ok && !cls->initEmitter.Failed() && !cls->referenceMembers.HasFailed();
    m_class = nullptr;
    return ok;
}

bool GSCodeGenerator::GenerateFunction(GSCNode* node) {
    if (!m_class) return false;
    std::string lookup;
    if (!GSBuildSignature(nullptr, node, lookup, false)) return false;
    GSSymbol* found = m_unit->symbols.Find(lookup.c_str(), m_class->symbol, false, true);
    if (!found || found->kind != GSSymbol::kFunction || found->owner != m_class->symbol) return false;
    auto* symbol = static_cast<GSCompiler::GSFunctionSymbol*>(found);

    const bool prototype = (symbol->flags & kPrototypeFlag) != 0;
    const bool native = (symbol->flags & kGSNative) != 0;
    if (prototype && !native) {
        m_unit->mainUnit.Log("Function %s not implemented", lookup.c_str());
        return false;
    }
    if (native && !prototype) {
        m_unit->mainUnit.Log("Native function %s has been implemented", lookup.c_str());
        return false;
    }
    GSCNode* body = node->kind == kGSDeclFunction ? node->children[3] : nullptr;
    // A prototype of a function defined later produces nothing here.
    if (!body && !native) return true;

    GSCFunction* function = m_class->AddFunction(symbol);
    if (!function) return false;
    int32_t slot = 1;
    for (const GSCNode* parameter = node->children[2]; parameter; parameter = parameter->next, ++slot) {
        if (IsReferenceType(TypeCodeOf(parameter->children[0])) &&
            !function->AddReferenceSlot(static_cast<int16_t>(slot)))
            return false;
    }
    if (!body) return FrameFits(function, (std::string(m_class->symbol->name) + lookup).c_str(), node);

    m_function = function;
    std::fill(std::begin(m_temporaries), std::end(m_temporaries), false);
    function->emitter.SetLineHook(&GSCFunction::LineHook, function);
    bool ok = Generate(body, &function->emitter);
    if (ok && m_labels.ResolveFixups(function->emitter.code, &m_unit->mainUnit) != 0) ok = false;
    ok = ok && !function->emitter.Failed() && !function->outOfMemory && FrameFits(function, (std::string(m_class->symbol->name) + lookup).c_str(), node);
    m_labels.Clear();
    m_jumpLabels.clear();
    m_switches.clear();
    m_waits.clear();
    m_function = nullptr;
    return ok;
}

bool GSCodeGenerator::GenerateVariables(GSCNode* node, GSCodeEmitter* emitter) {
    if (node->flags & kGSDefine) return true;
    if (!emitter) return false;
    for (GSCNode* declarator = node->children[1]; declarator; declarator = declarator->next)
        if (!GenerateDeclarator(declarator, node->children[0], emitter)) return false;
    return true;
}

bool GSCodeGenerator::GenerateDeclarator(GSCNode* declarator, const GSCNode* type, GSCodeEmitter* emitter) {
    const int32_t code = TypeCodeOf(type);
    const bool reference = IsReferenceType(code);
    const uint16_t slot = static_cast<uint16_t>(declarator->slot);
    if (reference) {
        const bool recorded = m_function ? m_function->AddReferenceSlot(declarator->slot)
                                         : (m_class && m_class->AddReferenceMember(declarator->slot));
        if (!recorded) return false;
    }
    GSCNode* value = declarator->children[1];
    if (!value) return true;
    if (!GenerateConversion(code, ClassNameOf(type), value, emitter)) return false;
    // An initialiser copies a string as an assignment does.
    EmitStringCopyFor(code, value, emitter);
    if (m_function)
        emitter->EmitUInt16(reference ? OP_StoreLocalRef : OP_StoreLocal, slot);
    else
        emitter->EmitUInt16(reference ? OP_StoreMyMemberRef : OP_StoreMyMember, slot);
    return true;
}

// ---- statements ----

bool GSCodeGenerator::GenerateStatement(GSCNode* node, GSCodeEmitter* e) {
    switch (node->kind) {
        case kGSStmtBlock:
            return Generate(node->children[0], e);
        case kGSStmtReturn:
            return GenerateReturn(node, e);
        case kGSStmtBreak:
            return GenerateJump(node, e, true);
        case kGSStmtContinue:
            return GenerateJump(node, e, false);
        case kGSStmtGoto:
            return GenerateGoto(node, e);
        case kGSStmtLabel: {
            const GSCNode* name = node->children[0];
            // A label placed twice fails without a message.
            return name && m_labels.PlaceLabel(m_labels.LabelByName(name->Text()), e->Position());
        }
        case kGSStmtIf:
            return GenerateIf(node, e);
        case kGSStmtWhile:
            return GenerateWhile(node, e);
        case kGSStmtFor:
            return GenerateFor(node, e);
        case kGSStmtSwitch:
            return GenerateSwitch(node, e);
        case kGSStmtCase:
        case kGSStmtDefault:
            return GenerateCase(node, e);
        case kGSStmtWait:
            return GenerateWait(node, e);
        case kGSStmtOn:
            return GenerateOn(node, e);
        default:
            return false;
    }
}

bool GSCodeGenerator::GenerateReturn(GSCNode* node, GSCodeEmitter* e) {
    GSCNode* value = node->children[0];
    if (!value) {
        e->Emit(OP_Return);
        return true;
    }
    if (!Generate(value, e)) return false;
    e->Emit(IsReferenceType(ChainType(value)) ? OP_ReturnRef : OP_ReturnValue);
    return true;
}

void GSCodeGenerator::EmitJumpTo(GSCodeEmitter* e, int32_t label, const char* message, int32_t line) {
    e->EmitInt32(OP_Jump, 0);
    m_labels.AddFixup(e->Position() - 4, label, message, line);
}

bool GSCodeGenerator::GenerateJump(GSCNode* node, GSCodeEmitter* e, bool isBreak) {
    auto found = m_jumpLabels.find(node->Bound());
    if (found == m_jumpLabels.end()) return false;
    const int32_t label = isBreak ? found->second.breakLabel : found->second.continueLabel;
    if (label < 0) return false;
    EmitJumpTo(e, label, isBreak ? "Break" : "Continue", node->line);
    return true;
}

bool GSCodeGenerator::GenerateGoto(GSCNode* node, GSCodeEmitter* e) {
    const GSCNode* name = node->children[0];
    if (!name) return false;
    const int32_t label = m_labels.LabelByName(name->Text());
    if (label < 0) return false;
    EmitJumpTo(e, label, "no matching label", node->line);
    return true;
}

bool GSCodeGenerator::GenerateCondition(GSCNode* condition, GSCodeEmitter* e) {
    if (!condition || !Generate(condition, e)) return false;
    if (IsReferenceType(ChainType(condition))) e->Emit(OP_IsNotNull);
    return true;
}

bool GSCodeGenerator::GenerateIf(GSCNode* node, GSCodeEmitter* e) {
    if (!GenerateCondition(node->children[0], e)) return false;
    const uint32_t skipThen = e->Reserve(GSCodeEmitter::kJumpLength);
    if (!Generate(node->children[1], e)) return false;
    if (node->children[2]) {
        const uint32_t skipElse = e->Reserve(GSCodeEmitter::kJumpLength);
        if (!Generate(node->children[2], e)) return false;
        e->FillJump(skipThen, OP_JumpIfZero, skipElse + GSCodeEmitter::kJumpLength);
        e->FillJump(skipElse, OP_Jump, e->Position());
    } else {
        e->FillJump(skipThen, OP_JumpIfZero, e->Position());
    }
    return true;
}

bool GSCodeGenerator::GenerateWhile(GSCNode* node, GSCodeEmitter* e) {
    JumpLabels labels{m_labels.NewLabel(), m_labels.NewLabel()};
    if (labels.continueLabel < 0 || labels.breakLabel < 0) return false;
    m_jumpLabels[node] = labels;
    const uint32_t top = e->Position();
    m_labels.PlaceLabel(labels.continueLabel, top);
    if (!GenerateCondition(node->children[0], e)) return false;
    const uint32_t exit = e->Reserve(GSCodeEmitter::kJumpLength);
    if (!Generate(node->children[1], e)) return false;
    e->EmitInt32(OP_Jump, static_cast<int32_t>(top));
    e->FillJump(exit, OP_JumpIfZero, e->Position());
    m_labels.PlaceLabel(labels.breakLabel, e->Position());
    return true;
}

bool GSCodeGenerator::GenerateFor(GSCNode* node, GSCodeEmitter* e) {
    JumpLabels labels{m_labels.NewLabel(), m_labels.NewLabel()};
    if (labels.continueLabel < 0 || labels.breakLabel < 0) return false;
    m_jumpLabels[node] = labels;
    if (!Generate(node->children[0], e)) return false;
    const uint32_t top = e->Position();
    if (node->children[1]) {
        if (!GenerateCondition(node->children[1], e)) return false;
    } else {
        e->Emit(OP_PushOne);
    }
    const uint32_t exit = e->Reserve(GSCodeEmitter::kJumpLength);
    if (!Generate(node->children[2], e)) return false;
    m_labels.PlaceLabel(labels.continueLabel, e->Position());
    if (!Generate(node->children[3], e)) return false;
    e->EmitInt32(OP_Jump, static_cast<int32_t>(top));
    e->FillJump(exit, OP_JumpIfZero, e->Position());
    m_labels.PlaceLabel(labels.breakLabel, e->Position());
    return true;
}

bool GSCodeGenerator::GenerateSwitch(GSCNode* node, GSCodeEmitter* e) {
    JumpLabels labels;
    labels.breakLabel = m_labels.NewLabel();
    if (labels.breakLabel < 0) return false;
    m_jumpLabels[node] = labels;
    if (!node->children[0] || !Generate(node->children[0], e)) return false;

    const uint32_t count = CountBound(node->children[1], kGSStmtCase, node);
    if (count > 0xFFFF) return false;
    e->Emit(OP_Switch);
    e->code.WriteUInt16(static_cast<uint16_t>(count));
    const uint32_t table = e->Reserve(count * 8 + 4);
    m_switches[node] = SwitchState();

    if (!Generate(node->children[1], e)) return false;
    const SwitchState& state = m_switches[node];
    if (state.cases.size() != count) return false;
    // Two cases of one value; the default is kept apart from the keys, so a
    // case of any value, 2147483647 included, may stand beside it.
    for (std::size_t i = 1; i < state.cases.size(); ++i) {
        if (state.cases[i].value != state.cases[i - 1].value) continue;
        const int32_t line = state.cases[i].node->line;
        m_unit->mainUnit.Report(true, false, line, "case has duplicate value, line %d", line);
        return false;
    }
    const uint32_t end = e->Position();
    for (uint32_t i = 0; i < count; ++i) {
        e->PatchInt32(table + 4 * i, state.cases[i].value);
        e->PatchInt32(table + 4 * (count + i), static_cast<int32_t>(state.cases[i].position));
    }
    e->PatchInt32(table + 8 * count, static_cast<int32_t>(state.hasDefault ? state.defaultPosition : end));
    m_labels.PlaceLabel(labels.breakLabel, end);
    return true;
}

bool GSCodeGenerator::GenerateCase(GSCNode* node, GSCodeEmitter* e) {
    auto found = m_switches.find(node->Bound());
    if (found == m_switches.end()) return false;
    SwitchState& state = found->second;
    if (node->kind == kGSStmtDefault) {
        if (state.hasDefault) return false;
        state.hasDefault = true;
        state.defaultPosition = e->Position();
        return true;
    }
    const GSCNode* value = node->children[0];
    if (!value || !value->Is(kGSExpression, kGSExprConstant) || value->subKind != kGSConstInt) return false;
    const CaseEntry entry{e->Position(), value->Int(), node};
    // Before the first entry whose value is greater than or equal to its own.
    auto at = std::find_if(state.cases.begin(), state.cases.end(),
                           [&](const CaseEntry& other) { return other.value >= entry.value; });
    state.cases.insert(at, entry);
    return true;
}

bool GSCodeGenerator::GenerateWait(GSCNode* node, GSCodeEmitter* e) {
    JumpLabels labels{m_labels.NewLabel(), m_labels.NewLabel()};
    if (labels.continueLabel < 0 || labels.breakLabel < 0) return false;
    m_jumpLabels[node] = labels;
    // `continue` waits again: its label is the wait instruction itself.
    m_labels.PlaceLabel(labels.continueLabel, e->Position());

    const uint32_t count = CountBound(node->children[0], kGSStmtOn, node);
    if (count > 0x7FFF) return false;
    e->Emit(OP_Wait);
    e->code.WriteUInt16(static_cast<uint16_t>(count));
    const uint32_t table = e->Reserve(count * 8);
    m_waits[node] = WaitState();

    if (!Generate(node->children[0], e)) return false;
    const WaitState& state = m_waits[node];
    if (state.handlers.size() != count) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const GSCNode* on = state.handlers[i].node;
        uint16_t major = 0;
        uint16_t minor = 0;
        if (!on->children[0] || !on->children[1] || !StringOperand(on->children[0]->Text(), major) ||
            !StringOperand(on->children[1]->Text(), minor))
            return false;
        e->PatchUInt16(table + 4 * i, major);
        e->PatchUInt16(table + 4 * i + 2, minor);
        e->PatchInt32(table + 4 * count + 4 * i, static_cast<int32_t>(state.handlers[i].position));
    }
    m_labels.PlaceLabel(labels.breakLabel, e->Position());
    return true;
}

bool GSCodeGenerator::GenerateOn(GSCNode* node, GSCodeEmitter* e) {
    const GSCNode* wait = node->Bound();
    if (wait) {
        auto found = m_waits.find(wait);
        if (found == m_waits.end()) return false;
        WaitState& state = found->second;
        // The previous handler's code ends here and leaves the wait.
        if (!state.handlers.empty()) {
            const int32_t breakLabel = m_jumpLabels[wait].breakLabel;
            EmitJumpTo(e, breakLabel, "Break", node->line);
        }
        state.handlers.push_back({e->Position(), node});
    } else {
        // Outside any wait: a wait of its own for this one pair, whose
        // handler is the next instruction.
        uint16_t major = 0;
        uint16_t minor = 0;
        if (!node->children[0] || !node->children[1] || !StringOperand(node->children[0]->Text(), major) ||
            !StringOperand(node->children[1]->Text(), minor))
            return false;
        e->Emit(OP_Wait);
        e->code.WriteUInt16(1);
        e->code.WriteUInt16(major);
        e->code.WriteUInt16(minor);
        e->code.WriteUInt32(e->Position() + 4);
    }
    // The wait resumes with the message on the stack.
    e->AdjustDepth(1);

    GSCNode* target = node->children[2];
    if (!target) {
        e->Emit(OP_PopRef);
        return true;
    }
    if (!target->Is(kGSExpression, kGSExprIdentifier)) {
        const int32_t temporary = AllocTemporary();
        if (temporary < 0) {
            ReportNoTemporary(node);
            return false;
        }
        e->EmitUInt16(OP_StoreLocal, static_cast<uint16_t>(temporary));
        if (!GenerateLValuePrefix(target, e)) return false;
        e->EmitUInt16(OP_LoadLocal, static_cast<uint16_t>(temporary));
        FreeTemporary(temporary);
    }
    if (const char* className = ClassNameOrNull(target->className)) {
        uint16_t index = 0;
        if (!ClassOperand(className, index)) return false;
        e->EmitUInt16(OP_Cast, index);
    }
    return GenerateStore(target, false, e);
}
