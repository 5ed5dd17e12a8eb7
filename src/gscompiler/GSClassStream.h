#pragma once
// GSClassStream: checks and generates the main source file class by class
// while it is parsed. Each class declaration goes through the semantic pass
// and the code generator as soon as the parser has it, and the unit's node
// pool is then emptied, so a large source keeps only one class's tree in
// memory (and in the caches) instead of the whole file's.
//
// The language allows it: a class sees only what comes before it (the walk
// has always been in source order), and the includes all precede the first
// class. What the compile reports and writes is what a whole-file parse
// followed by one semantic walk and one generation pass gave:
//   - the work done for the classes (includes, checks, generation) reports
//     into logs of its own, added to the unit's log only after the whole
//     file has parsed, and dropped when the parse fails;
//   - generation stops at the first class with an error and its messages
//     count only when no class has one;
//   - the classes and functions the generator would have numbered are
//     numbered after all checks, in the generator's order.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/codegen/GSCodeGenerator.h"

class GSCompileContext;
class GSSemanticPass;
namespace GSCompiler {
class GSSymbol;
}

class GSClassStream : public GSCompileUnit::ClassHandler {
public:
    // Streams the classes of `unit`, the main unit of `context`, compiled
    // under the lower-cased name `name`.
    GSClassStream(GSCompileContext& context, GSCompileUnit& unit, std::string name);
    ~GSClassStream() override;
    GSClassStream(const GSClassStream&) = delete;
    GSClassStream& operator=(const GSClassStream&) = delete;

    void ClassParsed(GSCNode* declaration) override;

    // After a successful parse: the checks' messages join the unit's log,
    // and the result is the file's: its includes' errors when they failed,
    // else the errors of its checks.
    int FinishChecks();
    // After checks without errors: the generator's messages join the log,
    // its numbering is done; false when generation failed.
    bool FinishGeneration();

private:
    // Swaps the unit's log and counts with a stage's own.
    struct Stage {
        GSCompileLog log;
        int32_t errors = 0;
        int32_t warnings = 0;
    };
    void Enter(Stage& stage);
    void Leave(Stage& stage);
    static void Append(const GSCompileLog& from, GSCompileLog* to);

    GSCompileContext& m_context;
    GSCompileUnit& m_unit;
    std::string m_name;
    std::unique_ptr<GSSemanticPass> m_pass;
    GSCodeGenerator m_generator;
    Stage m_checks;
    Stage m_generation;
    GSCompileLog* m_unitLog = nullptr;
    int32_t m_unitErrors = 0;
    int32_t m_unitWarnings = 0;
    bool m_started = false;
    int m_includeResult = 0;
    bool m_checksStopped = false;
    bool m_generationFailed = false;
    std::vector<GSCompiler::GSSymbol*> m_numbering;
};
