#include "foundation/callbacks/ProgramTime.h"

#include <atomic>

namespace {

std::atomic<double> g_programTime{0.0};
std::atomic<float> g_programTimeF{0.0f};

}  // namespace

double GetProgramTime() { return g_programTime.load(); }

float GetProgramTimeF() { return g_programTimeF.load(); }

void SetProgramTime(double seconds) {
    g_programTime.store(seconds);
    g_programTimeF.store(static_cast<float>(seconds));
}
