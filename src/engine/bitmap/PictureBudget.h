#pragma once
// The process's budget of bytes for pictures: decoded image files (scripts'
// images, textures, conversion jobs) and the pictures scripts make take
// their bytes from it before they allocate, and give them back when they
// go. A file or a script chooses a picture's size; the budget keeps what
// all of them hold together within one figure, whatever a folder holds.
//
// The limit is kDefaultBytes unless the environment variable
// VORLEX_PICTURE_BUDGET_MB names another number of MiB (a positive
// integer; anything else keeps the default). Thread-safe.
#include <cstdint>

namespace Vek {

class PictureBudget {
public:
    static constexpr uint64_t kDefaultBytes = uint64_t(1) << 30;
    static constexpr const char* kEnvironmentVariable = "VORLEX_PICTURE_BUDGET_MB";

    // Bytes taken from the budget, given back when it goes (or on Release).
    class Reservation {
    public:
        Reservation() = default;
        ~Reservation() { Release(); }
        Reservation(Reservation&& other) noexcept : m_bytes(other.m_bytes) { other.m_bytes = 0; }
        Reservation& operator=(Reservation&& other) noexcept;
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;

        uint64_t Bytes() const { return m_bytes; }
        void Release();
        // Gives back all but `bytes` (nothing when it holds no more).
        void ShrinkTo(uint64_t bytes);

    private:
        friend class PictureBudget;
        uint64_t m_bytes = 0;
    };

    // Takes `bytes` into `into` (which gives back what it held first),
    // waiting up to `waitMs` milliseconds for other holders to give back
    // enough. False, nothing taken, when there is no room by then; at once
    // when `bytes` exceeds the whole limit.
    static bool Reserve(uint64_t bytes, Reservation& into, int waitMs = 0);

    static uint64_t Limit();
    static uint64_t InUse();
    // Tests: another limit (0: the environment's or the default again).
    static void SetLimit(uint64_t bytes);

    // The wait of the picture loads made on this thread while it lives
    // (conversion jobs wait for room; scripts and the texture loader do not).
    class ScopedWait {
    public:
        explicit ScopedWait(int waitMs);
        ~ScopedWait();
        ScopedWait(const ScopedWait&) = delete;
        ScopedWait& operator=(const ScopedWait&) = delete;

    private:
        int m_previous;
    };
    static int CurrentWaitMs();
};

}  // namespace Vek
