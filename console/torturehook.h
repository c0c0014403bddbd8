#pragma once

// Stops a running torture test (if any). Closing any console window ends the
// test, even one started from another window.
void stopTortureTestFromView();
