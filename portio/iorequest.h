#pragma once

#include "port.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace portio {

// A read that runs while its starter does something else: start it, wait for
// it with a limit, cancel it. The buffer handed to startRead() must stay valid
// until the read has ended; the destructor cancels a read still pending and
// waits for it, so a request on the stack of the function that owns the buffer
// is safe on every path.
class IoRequest {
public:
    IoRequest() = default;
    ~IoRequest();
    IoRequest(const IoRequest&) = delete;
    IoRequest& operator=(const IoRequest&) = delete;

    Status startRead(Port& port, void* buffer, size_t n);
    // True when the read has ended within the limit.
    bool wait(std::chrono::milliseconds limit);
    bool pending() const;
    // Ends a pending read (purge with PURGE_RXABORT) and waits until it has left.
    void cancel();
    // Valid once the read has ended.
    IoResult result() const;

private:
    void join();

    Port* m_port = nullptr;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_pending = false;
    IoResult m_result;
};

} // namespace portio
