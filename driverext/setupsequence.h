#pragma once

#include "messagesink.h"
#include "profile.h"

#include "driverprotocol/records.h"
#include "portio/port.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace driverext {

// Gives a zero-filled block of the size asked for, or nullptr when there is
// no memory. Tests inject one that fails to reach the "malloc failed" path.
using BlockAllocator = std::function<std::unique_ptr<uint8_t[]>(size_t)>;

std::unique_ptr<uint8_t[]> allocateBlock(size_t size);

struct SetupOptions {
    BlockAllocator allocator; // empty: allocateBlock
};

// Puts the board's driver into its custom protocol with a profile:
// GET_EXTRA, the profile written into the returned record, SET_EXTRA,
// SET_CUSTOM, SET_PROTOCOL. A failing request shows its text and the sequence
// goes on, so a driver that knows none of the codes gives four messages.
// When a buffer cannot be allocated, "malloc failed" is shown for each
// missing one and no request is made: installing custom mode over a record we
// never set would leave the driver in an unknown state. Returns false then.
bool runSetupSequence(portio::Port& port, const Profile& profile, LetterForm form, const MessageSink& sink,
    const SetupOptions& options = {});

} // namespace driverext
