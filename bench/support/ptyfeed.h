#pragma once

#include "bench/support/capturefiles.h"
#include "bench/support/rawpty.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

// Writes the file's bytes to fd (the far end of a pty); blocks while the pty is full.
void feedFile(int fd, const std::string& source);
// Reads and drops what is left in the pty until the writer has finished, so
// that a writer blocked on a full pty whose reader gave up can end.
void discardUntil(const RawPty& pty, const std::atomic<bool>& fed);

// Feeds the source into the pty's far end from a thread and waits, calling
// turn(fed) meanwhile, until `target` holds n bytes or turn returns false;
// fed says the writer has written every byte. Returns the seconds taken.
template <class Turn>
double feedUntil(RawPty& pty, const std::string& source, const std::string& target, size_t n, Turn turn)
{
    const auto start = std::chrono::steady_clock::now();
    std::atomic<bool> fed { false };
    std::thread writer([&] {
        feedFile(pty.master, source);
        fed = true;
    });
    while (fileSize(target) < off_t(n) && turn(fed.load())) { }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    discardUntil(pty, fed);
    writer.join();
    return s;
}

// Seconds `cat > target` takes to copy n bytes of the source from a pty.
double catSeconds(const std::string& source, const std::string& target, size_t n);
