#pragma once
// GSCompileUnit: one source file being compiled: its parse-tree nodes and
// texts, its identity, and the messages it reports.
#include <cstdarg>
#include <cstdint>

#include "foundation/containers/FrameMemory.h"
#include "gscompiler/GSCNode.h"
#include "gscompiler/GSNodePool.h"

class GSCompileLog;
namespace GSCompiler {
class GSSymbolTable;
}

class GSCompileUnit {
public:
    // Takes each class declaration of the top-level list as soon as it is
    // parsed, instead of the tree keeping it.
    class ClassHandler {
    public:
        virtual ~ClassHandler() = default;
        virtual void ClassParsed(GSCNode* declaration) = 0;
    };

    // Text arena: 2048-byte pages, so one text holds at most 2047
    // characters.
    static constexpr int32_t kTextPageSize = 2048;
    // A formatted message is cut to this many characters.
    static constexpr int kMaxMessageLength = 255;

    GSCompileUnit();
    GSCompileUnit(const GSCompileUnit&) = delete;
    GSCompileUnit& operator=(const GSCompileUnit&) = delete;

    // Empties the pool and the arena, clears the name, ids, tree and counts,
    // and keeps the table and the log (a null log: nothing is logged).
    void Init(GSCompiler::GSSymbolTable* table, GSCompileLog* log);

    // A node from the pool with every field at its parser default (children,
    // links, value 0; type none; no class name), or null when the pool is
    // out of memory.
    GSCNode* NewNode(int32_t category, int32_t kind, int32_t line, int32_t subKind);
    // A copy of a text in the unit's arena; null for a text of 2048
    // characters or more, or when memory runs out.
    char* StrDup(const char* text);

    // Finds the source on the include list, loads it (unpacking a packed
    // one) and parses it. 0 parsed; 1 failed (reported, error count raised).
    int LoadAndParse(const char* name);

    // Scans and parses `length` bytes of text into the unit's tree. Returns
    // the parser's result (0 accepted, 1 syntax error, 2 stack overflow),
    // which is also added to the error count.
    int Parse(const char* text, uint32_t length);

    // Adds one plain line to the log.
    void Log(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Counts an error and/or a warning, then logs "%s(%d) : %s" with the
    // unit's file name, the line and the formatted text.
    void Report(bool error, bool warning, int32_t line, const char* format, ...)
        __attribute__((format(printf, 5, 6)));
    // The same with an explicit file name.
    void ReportAt(bool error, bool warning, const char* fileName, int32_t line, const char* format, ...)
        __attribute__((format(printf, 6, 7)));
    void ReportAtV(bool error, bool warning, const char* fileName, int32_t line, const char* format,
                   va_list args);

    GSNodePool nodePool;
    Utils::FrameMemory textArena;
    const char* fileName = nullptr;  // in the arena
    uint32_t sourceId = 0;           // CRC-32 of the source text, its prefix left out
    uint32_t nameId = 0;             // CRC-32 of the lower-cased file name
    GSCompiler::GSSymbolTable* symbols = nullptr;
    GSCNode* tree = nullptr;         // the first node of the top-level list
    // When set, the parser hands every class declaration to it and leaves
    // them out of the tree: the tree holds the includes until the first
    // class, and is empty after the parse.
    ClassHandler* classHandler = nullptr;
    int32_t errorCount = 0;
    int32_t warningCount = 0;
    GSCompileLog* log = nullptr;
};
