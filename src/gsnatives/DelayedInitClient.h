#pragma once
// DelayedInitClient: an object that is brought up in three steps after its
// construction, when its owner is ready (DelayedInitManager runs them). The
// flag bits record which steps have run and whether the client waits in a
// manager's list.
#include <cstdint>

namespace GSNatives {

class DelayedInitClient {
public:
    static constexpr uint8_t kStep1Done = 0x01;
    static constexpr uint8_t kStep2Done = 0x02;
    static constexpr uint8_t kStep3Done = 0x04;
    static constexpr uint8_t kRegistered = 0x08;
    // While set, step 2 binds nothing.
    static constexpr uint8_t kNoBind = 0x10;
    static constexpr uint8_t kAllSteps = kStep1Done | kStep2Done | kStep3Done;

    DelayedInitClient() = default;
    virtual ~DelayedInitClient() = default;
    DelayedInitClient(const DelayedInitClient&) = delete;
    DelayedInitClient& operator=(const DelayedInitClient&) = delete;

    // The base steps only record that they ran.
    virtual void InitStep1() { m_initFlags |= kStep1Done; }
    virtual void InitStep2() { m_initFlags |= kStep2Done; }
    virtual void InitStep3() { m_initFlags |= kStep3Done; }

    uint8_t GetInitFlags() const { return m_initFlags; }
    bool HasInitFlags(uint8_t bits) const { return (m_initFlags & bits) == bits; }
    void SetInitFlags(uint8_t bits) { m_initFlags |= bits; }
    void ClearInitFlags(uint8_t bits) { m_initFlags &= static_cast<uint8_t>(~bits); }

private:
    uint8_t m_initFlags = 0;
};

}  // namespace GSNatives
