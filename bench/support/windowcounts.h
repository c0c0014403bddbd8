#pragma once

#include <cstdint>

class CSplitterFrame;

// What the window's session has read off the line, as its line status strip
// counts it ("RX <bytes> (<rate>)"): every byte, also those the pane had no
// time to show. Ends the benchmark when the window has no such counter.
uint64_t bytesRead(const CSplitterFrame& frame);
