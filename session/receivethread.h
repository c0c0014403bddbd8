#pragma once

#include "portio/porterror.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

struct PortContext;

// Largest chunk the receive thread reads at a time.
constexpr uint32_t RxChunkSize = 80;

// Where the receive thread hands what it read: called on the receive thread,
// so it must never wait for the user-interface thread.
using ReceiveSink = std::function<void(std::string_view bytes)>;
// How many bytes a read took off the line, before they go to the sink.
using ReadCount = std::function<void(size_t bytes)>;

// The receive thread of a connected session: waits for received characters,
// reads what is waiting in chunks until the input queue is empty, copies each
// chunk to the capture file while a capture runs and hands it to `sink` (may
// be empty), after counting it with `counted` (may be empty). Runs while
// isConnected is set; returns 1 then, 0 when the event mask cannot be set.
// When the port goes away it says so through the sink and ends.
int ReceiveThreadProc(PortContext& ctx, const ReceiveSink& sink, const ReadCount& counted = {});

// Reads up to maxLength of the bytes waiting in the input queue; 0 when none
// wait or for a null context. A failure is reported through `failure`.
uint32_t ReadChunk(PortContext* ctx, uint8_t* buffer, uint32_t maxLength, portio::PortError* failure = nullptr);

// The line the receive pane shows when the port stops delivering: `format`
// with %1 replaced by the port name and %2 by the OS's text.
std::string receiveStopLine(const char* format, const std::string& portName, const std::string& error);
