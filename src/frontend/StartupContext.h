#pragma once
// What start-up makes and shutdown releases, handed between them: six
// pointer-sized words, zero-filled by main.
struct StartupContext {
    void* resourceSystem = nullptr;  // word 0: the engine resource system
    void* renderKernel = nullptr;    // word 1: the render kernel
    void* unused2 = nullptr;
    void* unused3 = nullptr;
    void* os = nullptr;           // word 4: the engine OS object
    void* lightTarget = nullptr;  // word 5: left null by the front end
};
