#pragma once
// ScriptSource: something that supplies, replaces, saves and loads the
// source text of a script. Safe pointers to a source become null when it
// is destroyed.
#include "assetdb/specs/SafePointer.h"
#include "engine/AnsiString.h"

class TStream;

namespace GSNatives {

class ScriptSource : public SafePointerTarget<ScriptSource> {
public:
    ScriptSource() = default;
    // Nulls every safe pointer to the source.
    virtual ~ScriptSource() { NullSafePointers(); }
    ScriptSource(const ScriptSource&) = delete;
    ScriptSource& operator=(const ScriptSource&) = delete;

    virtual Vek::String GetSourceText() { return Vek::String(); }
    virtual void SetSourceText(Vek::String text) { (void)text; }
    virtual void WriteSource(TStream& stream) { (void)stream; }
    virtual void ReadSource(TStream& stream) { (void)stream; }
};

}  // namespace GSNatives
