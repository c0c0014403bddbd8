#include "pyserial.h"

#include <cstdlib>
#include <unistd.h>

std::string debianPython()
{
    return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

bool havePyserial()
{
    return std::system((debianPython() + " -c 'import serial' 2>/dev/null").c_str()) == 0;
}
