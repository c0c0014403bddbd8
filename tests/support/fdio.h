#pragma once

#include <chrono>
#include <cstddef>
#include <string>

// Far-end I/O on a non-blocking descriptor, with a limit for each call.

// Writes everything, waiting for room up to the limit.
bool writeAllTo(int fd, const void* data, size_t n, std::chrono::milliseconds limit);
// Reads until n bytes have come or the limit has passed; returns what came.
std::string readExactlyFrom(int fd, size_t n, std::chrono::milliseconds limit);
// Whatever can be read now, without waiting.
std::string readAvailableFrom(int fd);
