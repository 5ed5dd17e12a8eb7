#pragma once
// Whether a debugger (any tracer) is attached to this process.

// True when /proc/self/status names a tracer (TracerPid other than 0).
bool IsDebuggerPresent();
