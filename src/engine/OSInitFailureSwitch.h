#pragma once
// The test switches that make engine initialisations fail on purpose:
// with VEK_FAIL_OS_INIT=N (or VEK_FAIL_RENDER_INIT=N) in the environment, the
// first N initialisations of the OS object (or of the render kernel) in the
// process fail, so that start-up's retry with "-NullRender" and its
// second-failure messages can be reached. The variable is read at every
// initialisation and only when set; a value that is not a plain decimal
// number counts as 0 (nothing fails).
#include <atomic>
#include <cstdint>

namespace Vek {

class OSInitFailureSwitch {
public:
    explicit constexpr OSInitFailureSwitch(const char* variable) : m_variable(variable) {}
    OSInitFailureSwitch(const OSInitFailureSwitch&) = delete;
    OSInitFailureSwitch& operator=(const OSInitFailureSwitch&) = delete;

    // Counts one initialisation; true when it is one of the first N.
    bool CountAndCheck();
    // Starts counting again from the first initialisation.
    void Reset() { m_attempts.store(0); }

    // The value of the variable, 0 when unset or not a decimal number.
    static uint32_t ReadLimit(const char* variable);

    // The two switches of the engine.
    static OSInitFailureSwitch& OSInit();
    static OSInitFailureSwitch& RenderInit();

private:
    const char* m_variable;
    std::atomic<uint32_t> m_attempts{0};
};

}  // namespace Vek
