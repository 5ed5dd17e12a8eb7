#include "gscompiler/GSCompileLog.h"

bool GSCompileLog::Add(const char* text) {
    if (!text) return false;
    char* copy = m_arena.StrDup(text);
    if (!copy) return false;
    return m_texts.Push(copy);
}
