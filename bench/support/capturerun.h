#pragma once

#include "bench/support/ptyfeed.h"

#include <string>

// Seconds a console window's capture takes to put n bytes of the source from a pty into target.
double captureSeconds(const std::string& source, const std::string& target, size_t n);
