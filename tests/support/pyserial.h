#pragma once

#include <string>

// Debian's own Python, where python3-serial is; a python3 earlier on PATH may lack it.
std::string debianPython();
// Whether that Python has pyserial.
bool havePyserial();
