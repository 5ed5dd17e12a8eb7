#pragma once
// A shared library the program loads by name when it first needs it (with
// dlopen) instead of linking it, and the functions taken from it by name.
// The object stays loaded for the rest of the process, whatever became of
// the SharedObject that opened it: functions taken from it may be in use.
#include <mutex>
#include <string>

namespace Vek {

class SharedObject {
public:
    // Opens `name` (a file name looked up as the system looks up shared
    // libraries, or a path).
    explicit SharedObject(const char* name);

    // Takes the function `symbol` into `slot`; false when it is missing,
    // which the reason then records (the first one missing).
    template <typename Function>
    bool Take(const char* symbol, Function& slot) {
        slot = reinterpret_cast<Function>(Find(symbol));
        return slot != nullptr;
    }

    // Opened, and every function taken so far found.
    bool Ok() const { return m_module != nullptr && m_reason.empty(); }
    // Why not Ok: the loader's message or the first function missing.
    const std::string& Reason() const { return m_reason; }

private:
    void* Find(const char* symbol);

    std::string m_name;
    void* m_module = nullptr;
    std::string m_reason;
};

// The table of functions `take` fills from the shared library `name`,
// loaded by the first call (thread-safe) and kept for the process. Null
// when the library cannot be loaded or lacks a function, with the reason
// in `reason` (when given). One table per pair of table type and `take`.
template <typename Table, void (*take)(SharedObject&, Table&)>
const Table* LoadFunctionsOnce(const char* name, std::string* reason) {
    struct Loaded {
        Table table{};
        bool ok = false;
        std::string reason;
    };
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [name] {
        SharedObject object(name);
        take(object, loaded.table);
        loaded.ok = object.Ok();
        loaded.reason = object.Reason();
    });
    if (!loaded.ok) {
        if (reason) *reason = loaded.reason;
        return nullptr;
    }
    return &loaded.table;
}

}  // namespace Vek
