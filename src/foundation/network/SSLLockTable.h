#pragma once
// The lock table handed to the TLS library: one engine critical section and
// one held flag per library lock, with the locking and thread-id callbacks
// the library was once given. OpenSSL 3 locks on its own and no longer
// calls them; the table is kept with its documented behaviour.
#include <cstdint>

namespace SSLLockTable {

// Mode bits of the locking callback.
constexpr int kLock = 1;
constexpr int kUnlock = 2;

// Makes `count` critical sections and held flags (all clear); an existing
// table is destroyed first.
void Create(int32_t count);
// Sets the lock count to 0 and destroys the sections and flags.
void Destroy();
int32_t Count();
// Whether lock n is marked held (false for n out of range).
bool IsHeld(int32_t n);

// The locking callback: n out of range does nothing; mode bit 0 locks
// section n (waiting without limit) and marks it held; otherwise mode bit 1
// unlocks it when it is marked held. An unlock of a lock not marked held
// does nothing.
void LockingCallback(int mode, int n, const char* file, int line);
// The thread-id callback: the engine's id of the calling thread.
unsigned long ThreadIdCallback();

}  // namespace SSLLockTable
