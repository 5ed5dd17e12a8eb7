#pragma once
// The bytes a benchmark holds through operator new: a binary that links
// AllocationCounter.cpp replaces the global operator new and delete with
// ones that count the usable size of every block, so that a figure can
// report what a load keeps and the most it held at once.
#include <cstdint>

namespace BenchmarkSupport {

// Bytes held now through operator new.
int64_t AllocatedBytes();
// The most bytes held at once since the last ResetPeakBytes.
int64_t PeakBytes();
// Starts a new peak from what is held now.
void ResetPeakBytes();

}  // namespace BenchmarkSupport
