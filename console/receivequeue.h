#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

// Bytes on their way from a receive thread to its pane. The thread pushes and
// never waits for the pane; the pane takes everything once per event-loop
// turn. The backlog is bounded: when the pane falls behind, the oldest bytes
// are dropped from the display queue (the capture file has them already) and
// counted, so a fast line costs the pane at most one backlog of work per turn.
class ReceiveQueue {
public:
    explicit ReceiveQueue(size_t maxBacklog);

    // Adds bytes; returns true when the consumer needs to be woken: the
    // queue was empty, or this push filled it past half its backlog (a
    // consumer that waits for its next frame would then lose bytes it
    // could have taken).
    bool push(const void* data, size_t n);
    // Whether the queue holds half a backlog or more.
    bool halfFull();

    struct Batch {
        std::string bytes;
        uint64_t skipped = 0; // bytes dropped before `bytes`
    };
    // Everything queued since the last take.
    Batch take();
    // Hands a taken batch's buffer back once its bytes are used: the next
    // batch is gathered in it, so that a fast line's pushes write to memory
    // already mapped instead of to new pages of a new block each frame.
    void giveBack(std::string&& spent);
    // Frees the buffer given back (for a quiet moment).
    void dropSpare();
    // How long since the last push.
    std::chrono::steady_clock::duration sinceLastPush();

private:
    void dropHead();

    std::mutex m_mutex;
    size_t m_maxBacklog;
    std::string m_bytes; // queued from m_head on; before it, dropped bytes not yet moved out
    size_t m_head = 0;
    uint64_t m_skipped = 0;
    std::string m_spare;
    std::chrono::steady_clock::time_point m_lastPush;
};
