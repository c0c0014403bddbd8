#include "torturehook.h"

// Wired to the torture engine's stop once that engine exists; nothing runs yet.
void stopTortureTestFromView() { }
