#include "meshes/RenderSetup.h"

namespace {

bool g_done = false;
Vek::RenderKernel* g_kernel = nullptr;

}  // namespace

bool RegisterRenderSetup(Vek::RenderKernel* kernel) {
    if (g_done || !kernel) return false;
    g_kernel = kernel;
    g_done = true;
    return true;
}

void UnregisterRenderSetup() {
    if (!g_done) return;
    g_done = false;
    g_kernel = nullptr;
}

bool IsRenderSetupDone() { return g_done; }

Vek::RenderKernel* RenderSetupKernel() { return g_kernel; }
