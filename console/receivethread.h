#pragma once

#include "portio/porterror.h"

#include <cstdint>

class CRecView;
class CVesperlineView;
struct PortContext;

// Largest chunk the receive thread reads at a time.
constexpr uint32_t RxChunkSize = 80;

// The receive thread of a connected console view: waits for received
// characters, reads what is waiting in chunks until the input queue is empty,
// copies each chunk to the capture file while a capture runs, logs it to the
// "vesperline.rx" channel and posts it to `pane` (may be null). Runs while
// isConnected is set; returns 1 then, 0 when the event mask cannot be set.
// When the port goes away it says so in the pane and ends.
int ReceiveThreadProc(CVesperlineView* view, CRecView* pane);

// Reads up to maxLength of the bytes waiting in the input queue; 0 when none
// wait or for a null context. A failure is reported through `failure`.
uint32_t ReadChunk(PortContext* ctx, uint8_t* buffer, uint32_t maxLength, portio::PortError* failure = nullptr);
