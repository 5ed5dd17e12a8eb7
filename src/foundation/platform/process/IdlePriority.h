#pragma once
// Lowering the process to the lowest scheduling priority.

// Gives every thread of the process (and so the threads it starts later)
// the nice value 19. True when every thread took it.
bool SetIdlePriority();
