#include "gscompiler/GSClassStream.h"

#include <utility>

#include "gscompiler/GSCompileContext.h"
#include "gscompiler/semantic/GSSemanticPass.h"

GSClassStream::GSClassStream(GSCompileContext& context, GSCompileUnit& unit, std::string name)
    : m_context(context), m_unit(unit), m_name(std::move(name)) {}

GSClassStream::~GSClassStream() = default;

void GSClassStream::Enter(Stage& stage) {
    m_unitLog = m_unit.log;
    m_unitErrors = m_unit.errorCount;
    m_unitWarnings = m_unit.warningCount;
    m_unit.log = &stage.log;
    m_unit.errorCount = stage.errors;
    m_unit.warningCount = stage.warnings;
}

void GSClassStream::Leave(Stage& stage) {
    stage.errors = m_unit.errorCount;
    stage.warnings = m_unit.warningCount;
    m_unit.log = m_unitLog;
    m_unit.errorCount = m_unitErrors;
    m_unit.warningCount = m_unitWarnings;
}

void GSClassStream::Append(const GSCompileLog& from, GSCompileLog* to) {
    if (!to) return;
    for (int32_t i = 0; i < from.Count(); ++i) to->Add(from.At(i));
}

void GSClassStream::ClassParsed(GSCNode* declaration) {
    Stage* stage = &m_checks;
    Enter(*stage);
    try {
        if (!m_started) {
            m_started = true;
            m_includeResult = m_context.BeginFile(m_name.c_str(), m_unit);
            // The include nodes go with the pool's first emptying.
            m_unit.tree = nullptr;
            m_unit.errorCount = 0;
            if (m_includeResult == 0) m_pass = std::make_unique<GSSemanticPass>(false);
        }
        if (m_pass && !m_checksStopped) {
            m_pass->Walk(declaration, m_context, m_unit);
            if (m_pass->Aborted()) m_checksStopped = true;
            if (m_unit.errorCount == 0 && !m_generationFailed) {
                Leave(*stage);
                stage = &m_generation;
                Enter(*stage);
                m_context.symbols.deferredNumbers = &m_numbering;
                if (!m_generator.GenerateClassDeclaration(m_context, m_context.classes, declaration))
                    m_generationFailed = true;
                m_context.symbols.deferredNumbers = nullptr;
            }
        }
    } catch (...) {
        m_context.symbols.deferredNumbers = nullptr;
        Leave(*stage);
        throw;
    }
    Leave(*stage);
    // Nothing else of the pool is in use: the parser keeps no other node
    // (the scanner makes none), and the include nodes served their purpose
    // at the first class.
    m_unit.nodePool.Reset();
}

int GSClassStream::FinishChecks() {
    Append(m_checks.log, m_unit.log);
    // The grammar makes every parsed file hold a class.
    if (!m_started) return 1;
    if (m_includeResult != 0) return m_includeResult;
    m_context.FinishFile(m_unit);
    m_unit.errorCount = m_checks.errors;
    m_unit.warningCount += m_checks.warnings;
    return m_checks.errors;
}

bool GSClassStream::FinishGeneration() {
    Append(m_generation.log, m_unit.log);
    m_unit.errorCount += m_generation.errors;
    m_unit.warningCount += m_generation.warnings;
    for (GSCompiler::GSSymbol* symbol : m_numbering) m_context.symbols.Number(symbol);
    m_numbering.clear();
    return !m_generationFailed;
}
