#pragma once

// Registers the resource bundle (splash bitmap, icons). It lives in a static
// library, so without a reference from the code that uses it the linker would
// leave it out. Safe to call more than once.
void initResourceBundle();
