#pragma once
// The two process-wide random generators. Each is a Vek::Rand guarded by its
// own critical section, so any thread may draw from them. Both are seeded
// once per process, at start-up; draws made before that use the generator's
// fixed default seed.
//
// - The first generator serves the program's own helpers (the random part
//   of temporary file names).
// - The second one, reached through SharedRandomInt, serves the dispatcher's
//   users: the online endpoint's session keys and the script layer.
#include <cstdint>

// Seeds both generators from the clock and the process id; later calls do
// nothing. Safe to call from any thread.
void SeedRandomGenerators();

// True once SeedRandomGenerators has run in this process.
bool RandomGeneratorsSeeded();

// A value from 0 to n - 1 drawn from the second generator; 0 when n <= 0.
int32_t SharedRandomInt(int32_t n);

// A value from 0 to n - 1 drawn from the first generator; 0 when n <= 0.
int32_t HelperRandomInt(int32_t n);
