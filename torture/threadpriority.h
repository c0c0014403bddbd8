#pragma once

namespace torture {

// Lets the calling thread run below the process's normal priority, so that
// many busy writers leave the user interface responsive. Best effort: a
// refusal by the OS leaves the thread as it was.
void lowerCurrentThreadPriority();

} // namespace torture
