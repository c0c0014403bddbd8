#include "setupsequence.h"

#include "driverrequest.h"

#include <array>
#include <new>

namespace driverext {

namespace {

void requestAll(portio::Port& port, const Profile& profile, LetterForm form, ExtraBuffer request, ExtraBuffer reply,
    const MessageSink& sink)
{
    prepareExtraRequest(request);
    issueControlCode(port, GetExtra, request.data(), request.size(), reply.data(), reply.size(), sink);
    // Even after a failed GET_EXTRA the record is edited and sent back: the
    // reply then holds zeros wherever the profile writes nothing.
    applyProfile(profile, recordOf(reply));
    issueControlCode(port, SetExtra, reply.data(), reply.size(), nullptr, 0, sink);
    // The driver's custom input is not defined by the program; zeros go.
    const uint8_t custom[CUSTOM_INPUT_SIZE] = {};
    issueControlCode(port, SetCustom, custom, sizeof custom, nullptr, 0, sink);
    std::array<uint8_t, PROTOCOL_INPUT_SIZE> letter;
    const size_t letterLen = encodeProtocolLetter(profile.letter, form, letter);
    issueControlCode(port, SetProtocol, letter.data(), letterLen, nullptr, 0, sink);
}

} // namespace

std::unique_ptr<uint8_t[]> allocateBlock(size_t size)
{
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]());
}

bool runSetupSequence(
    portio::Port& port, const Profile& profile, LetterForm form, const MessageSink& sink, const SetupOptions& options)
{
    const BlockAllocator& allocate = options.allocator ? options.allocator : BlockAllocator(allocateBlock);
    std::unique_ptr<uint8_t[]> request = allocate(EXTRA_BUFFER_SIZE);
    if (!request) say(sink, txt::MallocFailed);
    std::unique_ptr<uint8_t[]> reply = allocate(EXTRA_BUFFER_SIZE);
    if (!reply) say(sink, txt::MallocFailed);
    if (!request || !reply) return false;
    requestAll(port, profile, form, ExtraBuffer(request.get(), EXTRA_BUFFER_SIZE),
        ExtraBuffer(reply.get(), EXTRA_BUFFER_SIZE), sink);
    return true;
}

} // namespace driverext
