#pragma once
// What start-up makes and shutdown releases, handed between them and to the
// asset tools' data manager: six pointer-sized words, zero-filled by main.
namespace Vek {
class OS;
class RenderKernel;
class ResourceSystem;
}  // namespace Vek

struct StartupContext {
    Vek::ResourceSystem* resourceSystem = nullptr;  // word 0: owned
    Vek::RenderKernel* renderKernel = nullptr;      // word 1: owned
    void* unused2 = nullptr;                        // word 2
    void* unused3 = nullptr;                        // word 3
    Vek::OS* os = nullptr;                          // word 4: owned
    // Word 5: left null by the front end; when set, the data manager's
    // initialisation would add its light there.
    void* lightTarget = nullptr;
};
