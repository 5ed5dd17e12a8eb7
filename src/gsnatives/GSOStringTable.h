#pragma once
// GSOStringTable: the native holder of a script "StringTable": the texts of
// one asset, from the container "string-table" of its configuration, with
// a fall-back to the scenario texts of the interface-text tables. It holds
// ten parameters, $0 to $9, that GetString substitutes into the texts it
// returns; they persist between calls until ClearParams.
#include <cstdint>
#include <optional>
#include <string>

#include "assetdb/specs/SpecHandle.h"
#include "engine/PString.h"
#include "foundation/soups/SoupHandle.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSString.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

class GSOStringTable : public GSRuntime::GSObject {
public:
    static constexpr int kParamCount = 10;

    // Binds itself to the class "StringTable" in `context`, keeps the
    // asset's AssetSpec in use while it lives and takes the container
    // "string-table" of `config` (null when there is none).
    GSOStringTable(GSRuntime::GSContext* context, SpecHandle spec, const SoupHandle& config);
    ~GSOStringTable() override;

    // A new bound object holding its creation count; null when the heap has
    // no room or the class is not bound.
    static GSOStringTable* Create(GSRuntime::GSContext* context, const SpecHandle& spec, const SoupHandle& config);
    // Binds the class "StringTable" of "StringTable.gsl"; false when missing.
    static bool ResolveScriptClass();
    static GSRuntime::GSClass* GetScriptClass();

    // The longest text GetString hands out: a script string's own limit.
    static constexpr int64_t kMaxResultLength = GSRuntime::GSString::kMaxLength;

    // Replaces "$0".."$9" by the parameters and "$$" by "$", scanning once
    // from the start; inserted text is never scanned again, a trailing "$"
    // and "$" before any other character stay. Nothing, and nothing built,
    // when the result would be longer than kMaxResultLength bytes.
    static std::optional<std::string> Substitute(const std::string& text, const Vek::PString (&params)[kParamCount]);

    const Vek::PString& GetParam(int index) const { return m_params[index]; }

    // The natives, in registration order (RegisterStringTableNatives).
    void NativeGetLanguage(GSRuntime::GSStack* stack);
    void NativeClearParams(GSRuntime::GSStack* stack);
    void NativeSetParam(GSRuntime::GSStack* stack);
    void NativeGetString(GSRuntime::GSStack* stack);

private:
    SpecHandle m_spec;
    SoupHandle m_table;
    Vek::PString m_params[kParamCount];
};

void RegisterStringTableNatives();

}  // namespace GSNatives
